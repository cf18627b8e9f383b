// The crash journal: every transcript line reaches a file in the storage
// folder at once, survives a killed process, and goes with a successful save.
#include "platform/date_format.h"
#include "session/format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/journal.h"
#include "storage/transcript_file.h"
#include "support/storage_fixture.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

QString lineNumber(int n) {
    return timeStampedLine(n * 0.25, QStringLiteral("18:15:02"),
                           QStringLiteral("key-%1 \u00E9\U0001F600").arg(n));
}

QString header(const QString& videoName) {
    return transcriptHeader(formatDate(savedState().loadTime, kHeaderDatePattern), videoName);
}

// Child mode: records a line every few milliseconds and reports on stdout
// the number of lines recorded so far, until it is killed.
int recordInChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    SessionWidgets widgets;
    widgets.loadItem();
    savedState().vidBasename = QStringLiteral("lecture3");
    installJournal();
    int recorded = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        recordNote(lineNumber(++recorded));
        std::printf("%d %s\n", recorded, qPrintable(journalPath()));
        std::fflush(stdout);
    });
    tick.start(3);
    return app.exec();
}

} // namespace

class Journal : public QObject {
    Q_OBJECT
    std::optional<TemporaryHome> home;
    std::optional<SessionWidgets> widgets;

    QString journalName(const QString& suffix = QStringLiteral("--unsaved.txt")) const {
        return QDir(home->storage())
            .filePath(formatDate(savedState().loadTime, kLoadStampPattern) +
                      QStringLiteral("--lecture3") + suffix);
    }

private slots:
    void initTestCase() {
        QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
        installJournal();
    }
    void init() {
        resetSession();
        home.emplace();
        widgets.emplace();
        widgets->loadItem();
        savedState().vidBasename = QStringLiteral("lecture3");
        widgets->status->setText(QStringLiteral("2026.12.05-18.14.46"));
    }
    void cleanup() {
        discardJournals();
        widgets.reset();
        home.reset();
    }

    void killedProcessLosesNoLine() {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--record-child")});
        int reported = 0;
        QString path;
        QByteArray pending;
        while (reported < 60) {
            QVERIFY(child.waitForReadyRead(30000));
            pending += child.readAllStandardOutput();
            while (pending.contains('\n')) {
                const qsizetype end = pending.indexOf('\n');
                const QString report = QString::fromUtf8(pending.left(end));
                pending.remove(0, end + 1);
                reported = report.section(QLatin1Char(' '), 0, 0).toInt();
                path = report.section(QLatin1Char(' '), 1);
            }
        }
        child.kill(); // SIGKILL: no handler runs, no buffer is flushed
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QVERIFY(path.startsWith(home->storage() + "/") && path.endsWith("--lecture3--unsaved.txt"));
        const QStringList lines = QString::fromUtf8(contentsOf(path)).split(QLatin1Char('\n'));
        QCOMPARE(lines.mid(0, 3).join('\n') + '\n',
                 transcriptHeader(lines.value(1).mid(13), QStringLiteral("lecture3")));
        QVERIFY(lines.value(1).startsWith("# started_at "));
        QCOMPARE(lines.last(), QString()); // the file ends with a whole line
        const QStringList recorded = lines.mid(3, lines.size() - 4);
        QVERIFY2(recorded.size() >= reported, qPrintable(QString::number(recorded.size())));
        for (int n = 1; n <= recorded.size(); ++n)
            QCOMPARE(recorded[n - 1], lineNumber(n));
    }

    void journalFollowsTheTranscriptAndGoesWithTheSave() {
        QVERIFY(journalPath().isEmpty());
        recordNote(lineNumber(1));
        QCOMPARE(journalPath(), journalName());
        recordNote(QStringLiteral("two\nlines"));
        QCOMPARE(contentsOf(journalName()),
                 (header("lecture3") + lineNumber(1) + "\ntwo\nlines\n").toUtf8());
        AlertRecorder recorder;
        QVERIFY(saveAndClearScript());
        QVERIFY(!QFileInfo::exists(journalName()));
        QVERIFY(journalPath().isEmpty());
        QCOMPARE(entriesOf(home->storage()),
                 QStringList{QFileInfo(journalName(".txt")).fileName()});
        QVERIFY(recorder.alerts.empty());

        // A clear with too little to save removes the journal as well.
        recordNote(QString());
        QVERIFY(QFileInfo::exists(journalName()));
        QVERIFY(saveAndClearScript());
        QCOMPARE(entriesOf(home->storage()).size(), 1);
    }

    void failedSaveKeepsTheJournal() {
        recordNote(lineNumber(1));
        recordNote(lineNumber(2));
        const QByteArray journaled = contentsOf(journalName());
        {
            FileSizeLimit fullDisk(40);
            AlertRecorder recorder;
            QVERIFY(!saveAndClearScript());
            QCOMPARE(recorder.alerts.size(), size_t(1));
        }
        QCOMPARE(contentsOf(journalName()), journaled);
        // The session goes on: its journal too.
        recordNote(lineNumber(3));
        QCOMPARE(contentsOf(journalName()), journaled + (lineNumber(3) + "\n").toUtf8());
        QVERIFY(saveAndClearScript());
        QCOMPARE(entriesOf(home->storage()),
                 QStringList{QFileInfo(journalName(".txt")).fileName()});
    }

    // Another instance's journal of the same second is never touched; a new
    // session opens a new journal and keeps the old one until a save.
    void journalsNeverReplaceAFile() {
        QDir().mkpath(home->storage());
        QFile other(journalName());
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("other instance\n");
        other.close();
        recordNote(lineNumber(1));
        QCOMPARE(journalPath(), journalName("--unsaved--2.txt"));

        savedState().loadTime = savedState().loadTime.addDays(1); // a save that failed, a new load
        recordNote(lineNumber(2));
        QCOMPARE(journalPath(), journalName());
        QCOMPARE(entriesOf(home->storage()).size(), 3);
        QVERIFY(saveAndClearScript());
        QCOMPARE(contentsOf(other.fileName()), QByteArray("other instance\n"));
        QCOMPARE(entriesOf(home->storage()),
                 (QStringList{QFileInfo(other.fileName()).fileName(),
                              QFileInfo(journalName(".txt")).fileName()}));
    }

    // Recording goes on without a journal; the status line says so once.
    void unwritableJournalIsSaidOnce_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("plain file in the way") << false;
        QTest::newRow("disk full after the first line") << true;
    }
    void unwritableJournalIsSaidOnce() {
        QFETCH(bool, fullDisk);
        std::optional<FileSizeLimit> limit;
        if (fullDisk) {
            recordNote(lineNumber(1));
            limit.emplace(contentsOf(journalName()).size() + 10);
        } else {
            QDir().mkpath(home->documents());
            QFile blocker(home->storage());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        AlertRecorder recorder;
        for (int n = 2; n <= 5; ++n)
            recordNote(lineNumber(n));
        limit.reset();
        QVERIFY(recorder.alerts.empty());
        QCOMPARE(widgets->status->text(), "2026.12.05-18.14.46" + journalFailureRemark());
        QCOMPARE(widgets->script->toPlainText().count(QLatin1Char('\n')), fullDisk ? 5 : 4);
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--record-child") == 0)
        return recordInChild(1, argv);
    QApplication app(argc, argv);
    Journal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_journal.moc"
