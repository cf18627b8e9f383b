// The storage folder, transcripts, checkpoints, names and the crash journal,
// written for real into a temporary home; no unexpected alert.
#include "app/data_export.h"
#include "platform/date_format.h"
#include "session/format.h"
#include "session/state.h"
#include "session/text_units.h"
#include "session/transcript.h"
#include "storage/checkpoint.h"
#include "storage/disk_worker.h"
#include "storage/file_writer.h"
#include "storage/journal.h"
#include "storage/status_remark.h"
#include "storage/transcript_file.h"
#include "support/app_home.h"
#include "support/logic_widgets.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <optional>

#include <sys/resource.h>

namespace {

const QDateTime kLoaded(QDate(2026, 12, 5), QTime(18, 14, 46));
const QString kStamp = QStringLiteral("2026.12.05-18.14.46");

QString lineNumber(int n) {
    return timeStampedLine(n * 0.25, "18:15:02", QStringLiteral("key-%1 \u00E9\U0001F600").arg(n));
}
QByteArray journaled(int from, int to) {
    QByteArray lines;
    for (int n = from; n <= to; ++n)
        lines += (lineNumber(n) + '\n').toUtf8();
    return lines;
}
QByteArray header() {
    return transcriptHeader(formatDate(kLoaded, kHeaderDatePattern), "lecture3").toUtf8();
}

// Until the returned guard goes, this process writes files of at most bytes
// bytes, as on a full disk (writes beyond fail with EFBIG, not SIGXFSZ).
auto fileSizeLimit(rlim_t bytes) {
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{bytes, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return qScopeGuard([old, handler = std::signal(SIGXFSZ, SIG_IGN)] {
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
    });
}

// Child modes. --save: saves "abc", loaded at 18:14:46 UTC. --record: records
// a line every 3 ms for 2.5 s, prints how many and the longest (ms), and waits.
// --recover: a journal fails on a full disk, and the new one made a second
// later fails too; then the session is cleared.
int child(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    LogicWidgets widgets;
    widgets.loadItem();
    if (qstrcmp(argv[1], "--save") == 0) {
        savedState().loadTime = QDateTime(QDate(2026, 12, 5), QTime(18, 14, 46), Qt::UTC);
        recordNote(QStringLiteral("abc"));
        return saveAndClearScript() ? 0 : 1;
    }
    savedState().loadTime = kLoaded;
    installJournal();
    if (qstrcmp(argv[1], "--recover") == 0) {
        recordNote(lineNumber(1));
        waitForJournal();
        {
            const auto full = fileSizeLimit(QFileInfo(journalPath()).size() + 10);
            recordNote(lineNumber(2));
        }
        QThread::msleep(1100);
        recordNote(lineNumber(3));
        waitForJournal();
        widgets.script.clear();
        return saveAndClearScript() ? 0 : 1;
    }
    QElapsedTimer running, one;
    qint64 longest = 0;
    int n = 0;
    for (running.start(); running.elapsed() < 2500; QThread::msleep(3)) {
        one.start();
        recordNote(lineNumber(++n));
        longest = std::max(longest, one.elapsed());
    }
    std::printf("%d %lld\n", n, static_cast<long long>(longest));
    std::fflush(stdout);
    return app.exec();
}

} // namespace

class Storage : public QObject {
    Q_OBJECT
    std::optional<AppHome> home;
    std::optional<LogicWidgets> widgets;
    std::optional<AlertRecorder> recorder;

    // <storage>/<load stamp>--<name>
    QString file(const QString& name) const { return home->storage() + '/' + kStamp + "--" + name; }
    QString journal() const { return home->storage() + "/unsaved--" + kStamp + "--lecture3.txt"; }
    QString discarded(const QString& suffix = ".txt") const {
        return home->storage() + "/discarded--" + kStamp + "--lecture3" + suffix;
    }
    // Records lines and waits for the journal's disk work (making its file).
    void record(int from, int to) {
        for (int n = from; n <= to; ++n)
            recordNote(lineNumber(n));
        waitForJournal();
    }
    // Starts this program in a child mode under the preload library, with env.
    void startChild(QProcess& process, const char* mode, const QString& tracedDir,
                    const QStringList& env) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const QString& item : env)
            e.insert(item.section('=', 0, 0), item.section('=', 1));
        process.setProcessEnvironment(::traced(e, tracedDir));
        process.start(QCoreApplication::applicationFilePath(), {mode, "-platform", "offscreen"});
    }

private slots:
    void initTestCase() { installJournal(); }
    void init() {
        home.emplace();
        widgets.emplace();
        widgets->loadItem();
        savedState().loadTime = kLoaded;
        widgets->status.setText(QStringLiteral("status"));
        recorder.emplace();
    }
    void cleanup() {
        settleJournals(QString(), false);
        QVERIFY(recorder->alerts.empty());
        forgetCheckpoints();
    }

    // The file name drops the last extension, the header keeps the whole
    // name; a name too long is cut between user-perceived characters.
    void names() {
        const QString rows[][3] = {{"/videos/day 1/a.b.mov", "a.b", "a.b.mov"},
                                   {".hidden", ".hidden", ".hidden"},
                                   {"two\nlines\r.mp4", "two lines ", "two lines .mp4"}};
        for (const auto& [base, namePart, videoName] : rows) {
            QCOMPARE(namePartOf(base), namePart);
            QCOMPARE(videoNameOf(base, true), videoName);
            QCOMPARE(videoNameOf(base, false), QStringLiteral("no-video"));
        }
        const QString accented = QString(250, 'e').replace("e", QStringLiteral("e\u0301"));
        for (const QString& name : {QString(251, 'x'), accented}) {
            const QString kept = transcriptFileName(kStamp, name).mid(kStamp.size() + 2).chopped(4);
            QVERIFY(name.startsWith(kept) && kept.size() >= 60);
            QCOMPARE(graphemeCount(kept) * (name == accented ? 2 : 1), kept.size());
            QVERIFY(checkpointFileName(kStamp, name, "18.40.05").toUtf8().size() <= 255 &&
                    numberedFileName("discarded--" + transcriptStem(kStamp, name), 999)
                            .toUtf8()
                            .size() <= 255);
        }
    }

    // More than two user-perceived characters are written after the header,
    // never over a file the save did not write; fewer only clear.
    void twoCharacterRule() {
        QVERIFY(writeFile(file("lecture3.txt"), "another session's\n"));
        QDir().mkpath(file("lecture3--2.txt"));
        QVERIFY(QFile::link("/nonexistent/target", file("lecture3--3.txt")));
        const std::pair<QString, bool> rows[] = {
            {QStringLiteral("e\u0301o\u0308"), false},
            {QStringLiteral("e\u0301o\u0308a"), true},
            {QStringLiteral("\U0001F44D\U0001F3FD\U0001F44D\U0001F3FF"), false},
            {QStringLiteral("\U0001F600\U0001D11Ex"), true}};
        int written = 3;
        for (const auto& [text, writes] : rows) {
            widgets->script.setPlainText(text);
            QVERIFY(saveAndClearScript());
            written += writes;
            QCOMPARE(entriesOf(home->storage()).size(), written);
            if (writes)
                QCOMPARE(contentsOf(file(QStringLiteral("lecture3--%1.txt").arg(written))),
                         header() + text.toUtf8());
            QCOMPARE(widgets->script.toPlainText(), QString());
        }
        QCOMPARE(contentsOf(file("lecture3.txt")), QByteArray("another session's\n"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/nonexistent/target")));
    }

    // Within one second a session's checkpoint replaces its own, never
    // another session's (loaded in the same second).
    void checkpoints() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            QDir(home->storage()).removeRecursively();
            forgetCheckpoints();
            const QString second = formatDate(QDateTime::currentDateTime(), "HH.mm.ss");
            for (const auto& [text, loaded] :
                 {std::pair{"one", kLoaded}, {"two\n", kLoaded}, {"", kLoaded.addMSecs(1)}}) {
                savedState().loadTime = loaded;
                widgets->script.setPlainText(QString::fromLatin1(text));
                checkpointFile();
                waitForCheckpoints();
            }
            if (formatDate(QDateTime::currentDateTime(), "HH.mm.ss") != second)
                continue; // crossed a second: try again
            const QString stem = file("lecture3--checkpoint-at--" + second);
            QCOMPARE(entriesOf(home->storage()).size(), 2);
            QCOMPARE(contentsOf(stem + ".txt"), QByteArray("two\n"));
            QVERIFY(QFileInfo(stem + "--2.txt").exists() &&
                    QFileInfo(stem + "--2.txt").size() == 0);
            return;
        }
        QFAIL("five attempts each crossed a second");
    }

    // In the user's locale and zone (a child), the header's date and the stamp
    // follow them; the new folder's entry in Documents is synced.
    void headerFollowsTheUsersLocaleAndZone() {
        const QString log = home->storage() + ".log";
        QProcess process;
        startChild(process, "--save", home->documents(),
                   {"LC_ALL=de_DE.UTF-8", "TZ=Europe/Berlin", "KEYSTAMP_TRACE_LOG=" + log});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(contentsOf(home->storage() + "/2026.12.05-19.14.46--lecture3.txt"),
                 QByteArray("#\n# started_at Samstag, Dezember 5, 2026 7:14:46 PM\n"
                            "# video_name lecture3\nabc\n"));
        QVERIFY(
            contentsOf(log).split('\n').contains("fsync " + QFile::encodeName(home->documents())));
    }

    // On a disk whose every sync takes a second, no line waits for one, and
    // a killed process (SIGKILL: no handler, no flush) loses none.
    void killedRecordingOnASlowDiskLosesAndDelaysNoLine() {
        QProcess process;
        startChild(process, "--record", home->storage(), {"KEYSTAMP_TRACE_SLOW_SYNC_MS=1000"});
        QVERIFY(process.waitForReadyRead(30000));
        const QList<QByteArray> fields = process.readAll().trimmed().split(' ');
        process.kill();
        QVERIFY(process.waitForFinished(30000));
        QVERIFY2(fields.value(0).toInt() > 10 && fields.value(1).toInt() < 500,
                 fields.join(' ').constData());
        QCOMPARE(contentsOf(journal()), header() + journaled(1, fields.value(0).toInt()));
    }

    // A journal goes with a save only when the written file holds every
    // recorded line; otherwise it is kept as a discarded journal.
    void editedTranscriptKeepsTheJournal_data() {
        QTest::addColumn<QString>("edited");
        QTest::addColumn<bool>("kept");
        const QString one = lineNumber(1) + '\n', two = lineNumber(2) + '\n';
        QTest::newRow("as recorded") << one + two << false;
        QTest::newRow("all replaced, nothing written") << "x" << true;
        QTest::newRow("a line changed") << one + "edited\n" << true;
        QTest::newRow("lines swapped") << two + one << true;
        QTest::newRow("last line feed removed") << one + two.chopped(1) << false;
        QTest::newRow("notes typed between lines") << "note\n" + one + "note\n" + two << false;
    }
    void editedTranscriptKeepsTheJournal() {
        QFETCH(QString, edited);
        QFETCH(bool, kept);
        diskWorker().post([] { QThread::msleep(100); }); // a slow disk: the lines wait for the file
        record(1, 2);
        QCOMPARE(contentsOf(journalPath()), header() + journaled(1, 2));
        widgets->script.setPlainText(edited);
        QVERIFY(saveAndClearScript());
        QCOMPARE(contentsOf(discarded()), kept ? header() + journaled(1, 2) : QByteArray());
        QVERIFY(!QFileInfo::exists(journal()));
        QVERIFY(kept || entriesOf(home->storage()) == QStringList{kStamp + "--lecture3.txt"});
        record(3, 3); // the next session's journal is a new file
        QCOMPARE(contentsOf(journal()), header() + journaled(3, 3));
    }

    // Whatever the video is called, the journal's names are its own: no file
    // that was there before is replaced or removed (nothing goes by count),
    // and the kept journal holds every line.
    void journalsTouchNoOtherFile() {
        const QString names[] = {"pilot--discarded",
                                 "x--unsaved.mp4",
                                 "%1 %2",
                                 "a\nb",
                                 QString(125, QChar(0xE9)),
                                 "..."};
        for (const QString& name : names) {
            savedState().vidBasename = name;
            const QString stem = transcriptStem(kStamp, namePartOf(name));
            QStringList before;
            for (const QString& other :
                 {stem + ".txt", stem + "--discarded.txt", "unsaved--" + stem + ".txt",
                  "discarded--" + stem + ".txt", "discarded--" + stem + "--2.txt"})
                QVERIFY(writeFile(home->storage() + '/' + other, other.toUtf8()));
            for (int n = 0; n < 12; ++n)
                QVERIFY(writeFile(home->storage() + QStringLiteral("/discarded--old%1.txt").arg(n),
                                  "old"));
            before = entriesOf(home->storage());
            record(1, 2);
            widgets->script.clear();
            QVERIFY(saveAndClearScript());
            QStringList after = entriesOf(home->storage());
            for (const QString& entry : before) {
                QVERIFY2(after.removeOne(entry), qPrintable(entry));
                QVERIFY(contentsOf(home->storage() + '/' + entry)
                            .startsWith(entry.startsWith("discarded--old") ? QByteArray("old")
                                                                           : entry.toUtf8()));
            }
            QCOMPARE(after, QStringList{"discarded--" + stem + "--3.txt"});
            QVERIFY(contentsOf(home->storage() + '/' + after[0]).endsWith(journaled(1, 2)));
            QDir(home->storage()).removeRecursively();
        }
        savedState().vidBasename = QStringLiteral("lecture3");
    }

    // On a full disk a save, a checkpoint and an export fail with an alert
    // each, keep the transcript on screen and leave no file behind; the
    // journal stays.
    void fullDisk() {
        record(1, 2);
        {
            const auto full = fileSizeLimit(40);
            QVERIFY(!saveAndClearScript());
            checkpointFile();
            waitForCheckpoints();
            QVERIFY(exportData().isEmpty());
        }
        QCOMPARE(recorder->alerts.size(), size_t(3));
        QCOMPARE(recorder->alerts[0].first, QStringLiteral("Data Save"));
        QCOMPARE(recorder->alerts[1].first, QStringLiteral("Data Save"));
        QCOMPARE(recorder->alerts[2].first, QStringLiteral("Export Data"));
        recorder->alerts.clear();
        QCOMPARE(widgets->script.toPlainText(), QString::fromUtf8(journaled(1, 2)));
        QCOMPARE(entriesOf(home->storage()), {QFileInfo(journal()).fileName()});
        record(3, 3);
        QCOMPARE(contentsOf(journal()), header() + journaled(1, 3));
    }

    // On a full disk recording goes on without a journal, the status line
    // saying so once; a later line (once a second at most) makes it again whole.
    // A recovered journal whose first sync fails leaves no stray journal:
    // both files are kept as discarded ones when the session ends.
    void failedRecoveryLeavesNoStrayJournal() {
        QProcess process;
        startChild(process, "--recover", home->storage(),
                   {"KEYSTAMP_TRACE_FAIL_SYNC_OF=--lecture3--2.txt"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(entriesOf(home->storage()),
                 QStringList({QFileInfo(discarded("--2.txt")).fileName(),
                              QFileInfo(discarded()).fileName()}));
    }

    void journalRecoversWithEveryLine() {
        record(1, 1);
        {
            const auto full = fileSizeLimit(contentsOf(journal()).size() + 10);
            record(2, 4); // within a second of the failure: no new try
            QVERIFY(journalPath().isEmpty());
            QCOMPARE(widgets->status.text(), "status" + journalFailureRemark());
        }
        QTest::qWait(1100);
        record(5, 5);
        waitForJournal(); // the new file synced, it takes the failed one's name
        QCOMPARE(entriesOf(home->storage()), {QFileInfo(journalPath()).fileName()});
        QCOMPARE(contentsOf(journal()), header() + journaled(1, 5));
        QCOMPARE(widgets->status.text(), "status" + journalRecoveryRemark());
        QCOMPARE(widgets->script.toPlainText(), QString::fromUtf8(journaled(1, 5)));
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && (qstrcmp(argv[1], "--save") == 0 || qstrcmp(argv[1], "--record") == 0 ||
                     qstrcmp(argv[1], "--recover") == 0))
        return child(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    Storage test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_storage.moc"
