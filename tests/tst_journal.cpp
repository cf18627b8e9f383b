// The crash journal: every transcript line reaches a file in the storage
// folder at once, survives a killed process, and goes with a successful save.
#include "platform/date_format.h"
#include "session/format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/disk_worker.h"
#include "storage/journal.h"
#include "storage/transcript_file.h"
#include "support/storage_fixture.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

const QDateTime kLoaded(QDate(2026, 12, 5), QTime(18, 14, 46));

QString lineNumber(int n) {
    return timeStampedLine(n * 0.25, QStringLiteral("18:15:02"),
                           QStringLiteral("key-%1 \u00E9\U0001F600").arg(n));
}

QByteArray journaledLine(int n) {
    return (lineNumber(n) + '\n').toUtf8();
}

QString header() {
    return transcriptHeader(formatDate(kLoaded, kHeaderDatePattern), QStringLiteral("lecture3"));
}

// Child mode: records a line every few milliseconds and reports on stdout
// the number of lines recorded so far and the longest wait between two
// lines (ms), until it is killed.
int recordInChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    SessionWidgets widgets;
    widgets.loadItem();
    savedState().loadTime = kLoaded;
    installJournal();
    int recorded = 0;
    qint64 longestWait = 0;
    QElapsedTimer sinceLast;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (sinceLast.isValid())
            longestWait = std::max(longestWait, sinceLast.elapsed());
        sinceLast.start();
        recordNote(lineNumber(++recorded));
        std::printf("%d %lld\n", recorded, static_cast<long long>(longestWait));
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

    QString journal() const { return home->sessionFile("lecture3--unsaved.txt"); }
    QStringList savedOnly() const {
        return {QFileInfo(home->sessionFile("lecture3.txt")).fileName()};
    }

private slots:
    void initTestCase() {
        QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
        installJournal();
    }
    void init() {
        home.emplace();
        widgets.emplace();
        widgets->loadItem();
        savedState().loadTime = kLoaded;
        widgets->status->setText(QStringLiteral("2026.12.05-18.14.46"));
    }
    void cleanup() {
        settleJournals(QString(), false);
        widgets.reset();
        home.reset();
    }

    // Runs the recording child until it reported `lines` lines or ran for
    // `ms`; returns the longest wait between two of its lines (ms), or -1.
    qint64 runChild(QProcess& child, int lines, int* reported, qint64 ms = 60000) {
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--record-child"), "-platform", "offscreen"});
        QElapsedTimer running;
        running.start();
        qint64 longestWait = -1;
        while (*reported < lines && running.elapsed() < ms && child.waitForReadyRead(30000)) {
            while (child.canReadLine()) {
                const QList<QByteArray> fields = child.readLine().trimmed().split(' ');
                *reported = fields.value(0).toInt();
                longestWait = fields.value(1).toLongLong();
            }
        }
        return longestWait;
    }

    void killedProcessLosesNoLine() {
        QProcess child;
        int reported = 0;
        runChild(child, 60, &reported);
        QVERIFY(reported >= 60);
        child.kill(); // SIGKILL: no handler runs, no buffer is flushed
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QString written = QString::fromUtf8(contentsOf(journal()));
        QVERIFY2(written.startsWith(header()), qPrintable(written.left(100)));
        QVERIFY(written.endsWith('\n')); // the file ends with a whole line
        const QStringList recorded = written.mid(header().size()).chopped(1).split('\n');
        QVERIFY2(recorded.size() >= reported, qPrintable(QString::number(recorded.size())));
        for (int n = 1; n <= recorded.size(); ++n)
            QCOMPARE(recorded[n - 1], lineNumber(n));
    }

    // A disk whose every sync takes a second delays no line: the syncs run
    // beside the recording.
    void aSlowDiskDelaysNoLine() {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KEYSTAMP_TRACE_SHIM));
        env.insert(QStringLiteral("KEYSTAMP_TRACE_DIR"), home->storage());
        env.insert(QStringLiteral("KEYSTAMP_TRACE_SLOW_SYNC_MS"), QStringLiteral("1000"));
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + ":verify_asan_link_order=0");
        child.setProcessEnvironment(env);
        int reported = 0;
        const qint64 longestWait = runChild(child, 1000000, &reported, 2500);
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(reported > 10);
        QVERIFY2(longestWait >= 0 && longestWait < 500, qPrintable(QString::number(longestWait)));
    }

    void journalFollowsTheTranscriptAndGoesWithTheSave() {
        QVERIFY(journalPath().isEmpty());
        diskWorker().post([] { QThread::msleep(100); }); // a slow disk: lines wait for the file
        for (int n = 1; n <= 3; ++n)
            recordNote(lineNumber(n));
        waitForJournal();
        QCOMPARE(journalPath(), journal());
        recordNote(QStringLiteral("two\nlines"));
        QCOMPARE(contentsOf(journal()), header().toUtf8() + journaledLine(1) + journaledLine(2) +
                                            journaledLine(3) + "two\nlines\n");
        AlertRecorder recorder;
        QVERIFY(saveAndClearScript());
        QVERIFY(journalPath().isEmpty());
        QCOMPARE(entriesOf(home->storage()), savedOnly());
        QVERIFY(recorder.alerts.empty());
    }

    // A journal goes only when the written file holds every recorded line;
    // otherwise it is kept as a discarded journal with the lines as pressed.
    void editedTranscriptKeepsTheJournal_data() {
        QTest::addColumn<QString>("edited");
        QTest::addColumn<bool>("journalKept");
        const QString one = lineNumber(1) + '\n', two = lineNumber(2) + '\n';
        QTest::newRow("all replaced, nothing written") << "x" << true;
        QTest::newRow("a line changed") << one + "edited\n" << true;
        QTest::newRow("lines swapped") << two + one << true;
        QTest::newRow("last line feed removed") << one + two.chopped(1) << false;
        QTest::newRow("notes typed between lines") << "note\n" + one + "note\n" + two << false;
    }
    void editedTranscriptKeepsTheJournal() {
        QFETCH(QString, edited);
        QFETCH(bool, journalKept);
        recordNote(lineNumber(1));
        recordNote(lineNumber(2));
        waitForJournal();
        const QByteArray journaled = contentsOf(journal());
        widgets->script->setPlainText(edited);
        QVERIFY(saveAndClearScript());
        const QString discarded = home->sessionFile("lecture3--discarded.txt");
        QCOMPARE(QFileInfo::exists(discarded), journalKept);
        if (journalKept)
            QCOMPARE(contentsOf(discarded), journaled);
        QVERIFY(!QFileInfo::exists(journal()));
        // The next session's journal is a new file, not the discarded one.
        recordNote(lineNumber(3));
        waitForJournal();
        QCOMPARE(contentsOf(journal()), header().toUtf8() + journaledLine(3));
    }

    // Discarded journals never replace a file, and only the ten newest stay.
    void tenNewestDiscardedJournalsStay() {
        const QString taken = home->sessionFile("lecture3--discarded.txt");
        QStringList old;
        for (int n = 1; n <= 10; ++n) {
            old.append(n == 1 ? taken
                              : home->sessionFile(QStringLiteral("old%1--discarded.txt").arg(n)));
            QVERIFY(writeFile(old.last(), "old\n"));
            QFile file(old.last());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(n - 20),
                                     QFileDevice::FileModificationTime));
        }
        const QString other = home->sessionFile("lecture3--unsaved.txt.bak");
        QVERIFY(writeFile(other, "not a journal\n"));
        recordNote(lineNumber(1));
        widgets->script->clear();
        QVERIFY(saveAndClearScript());
        // old10 is the newest of the old ones, "taken" (n = 1) the oldest.
        QVERIFY(!QFileInfo::exists(taken));
        for (int n = 2; n <= 10; ++n)
            QCOMPARE(contentsOf(old[n - 1]), QByteArray("old\n"));
        QCOMPARE(contentsOf(home->sessionFile("lecture3--discarded--2.txt")),
                 header().toUtf8() + journaledLine(1));
        QCOMPARE(entriesOf(home->storage()).size(), 11);
    }

    // Nothing is lost when a save fails: the journal stays and goes on.
    void failedSaveKeepsTheJournal() {
        recordNote(lineNumber(1));
        recordNote(lineNumber(2));
        waitForJournal();
        const QByteArray journaled = contentsOf(journal());
        {
            FileSizeLimit fullDisk(40);
            AlertRecorder recorder;
            QVERIFY(!saveAndClearScript());
            QCOMPARE(recorder.alerts.size(), size_t(1));
        }
        recordNote(lineNumber(3));
        QCOMPARE(contentsOf(journal()), journaled + journaledLine(3));
        QVERIFY(saveAndClearScript());
        QCOMPARE(entriesOf(home->storage()), savedOnly());
    }

    // Another instance's journal of the same second is never touched; a new
    // session opens a new journal and keeps the old one until a save.
    void journalsNeverReplaceAFile() {
        QVERIFY(writeFile(journal(), "other instance\n"));
        const QString other = QFileInfo(journal()).fileName();
        recordNote(lineNumber(1));
        waitForJournal();
        QCOMPARE(journalPath(), home->sessionFile("lecture3--unsaved--2.txt"));

        savedState().loadTime = savedState().loadTime.addDays(1); // a save that failed, a new load
        recordNote(lineNumber(2));
        waitForJournal();
        QCOMPARE(journalPath(), journal());
        QCOMPARE(entriesOf(home->storage()).size(), 3);
        QVERIFY(saveAndClearScript());
        QCOMPARE(contentsOf(home->storage() + '/' + other), QByteArray("other instance\n"));
        QCOMPARE(entriesOf(home->storage()), QStringList{other} + savedOnly());
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
            waitForJournal();
            limit.emplace(contentsOf(journal()).size() + 10);
        } else {
            QVERIFY(writeFile(home->storage()));
        }
        AlertRecorder recorder;
        for (int n = 2; n <= 5; ++n)
            recordNote(lineNumber(n));
        limit.reset();
        waitForJournal();
        QVERIFY(recorder.alerts.empty());
        QCOMPARE(widgets->status->text(), "2026.12.05-18.14.46" + journalFailureRemark());
        QCOMPARE(widgets->script->toPlainText().count(QLatin1Char('\n')), fullDisk ? 5 : 4);
    }

    // After a failure the journal tries again at a later line, at most once a
    // second, and then holds the header and every line of the session.
    void journalRecoversWithEveryLine() {
        recordNote(lineNumber(1));
        waitForJournal();
        {
            FileSizeLimit fullDisk(contentsOf(journal()).size() + 10);
            recordNote(lineNumber(2));
            recordNote(lineNumber(3));
        }
        QVERIFY(journalPath().isEmpty());
        recordNote(lineNumber(4)); // within a second of the failure: no new try
        QVERIFY(journalPath().isEmpty());
        QTest::qWait(1100);
        recordNote(lineNumber(5));
        waitForJournal(); // the new file synced, it takes the failed one's name
        QCOMPARE(journalPath(), journal());
        QByteArray all = header().toUtf8();
        for (int n = 1; n <= 5; ++n)
            all += journaledLine(n);
        QCOMPARE(contentsOf(journal()), all);
        QCOMPARE(entriesOf(home->storage()), {QFileInfo(journal()).fileName()});
        QCOMPARE(widgets->status->text(), "2026.12.05-18.14.46" + journalRecoveryRemark());
        recordNote(lineNumber(6));
        QCOMPARE(contentsOf(journal()), all + journaledLine(6));
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--record-child") == 0)
        return recordInChild(argc, argv);
    QApplication app(argc, argv);
    Journal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_journal.moc"
