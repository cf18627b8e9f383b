// End to end: the real program on an X display of its own, in a temporary
// home: a video named on the command line and a termination signal, a second
// instance started by the New Player command, and a failed save at quit that
// keeps the window until the next Quit.
#include "support/app_home.h"
#include "support/e2e_program.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

// The environment of a program whose file calls in the storage folder the
// preload library logs to logName.
QProcessEnvironment traced(const AppHome& home, const QString& logName) {
    QProcessEnvironment env = home.env();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KEYSTAMP_TRACE_SHIM));
    env.insert(QStringLiteral("KEYSTAMP_TRACE_DIR"), home.storage());
    env.insert(QStringLiteral("KEYSTAMP_TRACE_LOG"), logName);
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + ":verify_asan_link_order=0");
    return env;
}

} // namespace

class E2eSession : public QObject {
    Q_OBJECT

    QTemporaryDir clips;
    PrivateDisplay display;

private slots:
    void initTestCase() {
        QVERIFY(display.start());
        // A short clip whose name holds two dots.
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x180:rate=30:duration=3",
                      "-pix_fmt", "yuv420p", "-c:v", "libx264", "-y",
                      clips.filePath(QStringLiteral("clip.b.mp4"))});
        QVERIFY(ffmpeg.waitForFinished(60000));
        QCOMPARE(ffmpeg.exitCode(), 0);
    }

    void videoOnTheCommandLineThenTerminate() {
        AppHome home;
        RunningProgram program(home.env());
        QVERIFY(program.start({clips.filePath(QStringLiteral("clip.b.mp4"))},
                              QStringLiteral("^clip\\.b")));
        QVERIFY(program.keys({"a"}));
        QTest::qWait(300);
        QVERIFY(program.signal(SIGTERM));
        QVERIFY(program.exitsCleanly());
        const QStringList files = home.transcriptFiles();
        QCOMPARE(files.size(), 1);
        // The file takes the name without its last dotted part, the header the whole name.
        QVERIFY2(files[0].endsWith(QStringLiteral("--clip.txt")), qPrintable(files[0]));
        const QStringList lines = home.lines(files[0]);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[2], QStringLiteral("# video_name clip.b"));
        QVERIFY(lines[3].startsWith(QStringLiteral("    0.00  ")));
        QVERIFY(lines[3].endsWith(QStringLiteral("  a")));
    }

    void newPlayerStartsASecondInstance() {
        AppHome home;
        RunningProgram program(home.env());
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        // File menu, then its seventh command: New Player.
        QVERIFY(program.click(20, 10));
        QTest::qWait(300);
        QVERIFY(program.keys({"Down", "Down", "Down", "Down", "Down", "Down", "Down", "Return"}));
        const QStringList windows = RunningProgram::waitForWindows(QStringLiteral("^stopwatch"), 2);
        QCOMPARE(windows.size(), 2);
        for (const QString& w : windows) {
            const qint64 pid =
                RunningProgram::xdotool({"getwindowpid", w}).value_or("0").toLongLong();
            QVERIFY(pid > 0);
            if (pid != program.pid())
                QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
        }
        QVERIFY(program.signal(SIGTERM));
        QVERIFY(program.exitsCleanly());
        QVERIFY(RunningProgram::waitForWindows(QStringLiteral("^stopwatch"), 0).isEmpty());
        // Neither had anything to save.
        QVERIFY(home.transcriptFiles().isEmpty());
    }

    void failedSaveAtQuitKeepsTheWindow() {
        AppHome home;
        // A plain file where the storage folder should be: every save fails.
        QVERIFY(QDir().mkpath(home.documents()));
        QFile blocker(home.storage());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        RunningProgram program(home.env());
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        QVERIFY(program.keys({"a", "b", "c", "ctrl+q"}));
        // Two alerts, one after the other: the folder, then the write.
        for (int i = 0; i < 2; ++i) {
            const QStringList alerts =
                RunningProgram::waitForWindows(QStringLiteral("^Keystamp$"), 1);
            QCOMPARE(alerts.size(), 1);
            QVERIFY(program.focus(alerts[0]));
            QVERIFY(program.keys({"Return"}));
            QVERIFY(RunningProgram::waitForWindowGone(alerts[0]));
        }
        // The window stays, with its transcript, for printing or copying.
        QTest::qWait(500);
        QVERIFY(program.isRunning());
        QCOMPARE(RunningProgram::waitForWindows(QStringLiteral("^stopwatch"), 1).size(), 1);
        // With the folder free again, the next Quit saves every line and ends.
        QVERIFY(blocker.remove());
        QVERIFY(program.focus(program.window()));
        QVERIFY(program.keys({"ctrl+q"}));
        QVERIFY(program.exitsCleanly());
        const QStringList files = home.transcriptFiles();
        QCOMPARE(files.size(), 1);
        const QStringList lines = home.lines(files[0]);
        QCOMPARE(lines.size(), 6);
        QVERIFY(lines[5].endsWith(QStringLiteral("  c")));
    }

    // Typing over the whole transcript and then clearing or quitting loses
    // no recorded line: the journal stays, as a discarded journal.
    void editedTranscriptKeepsTheRecordedLines_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("end");
        QTest::addColumn<int>("transcripts");
        // File menu, its sixth command: Clear; then the termination signal.
        QTest::newRow("clear") << "x" << QStringList{"Down", "Down", "Down",  "Down",
                                                     "Down", "Down", "Return"}
                               << 0;
        QTest::newRow("quit") << "xyz" << QStringList{"ctrl+q"} << 1;
    }
    void editedTranscriptKeepsTheRecordedLines() {
        QFETCH(QString, typed);
        QFETCH(QStringList, end);
        QFETCH(int, transcripts);
        AppHome home;
        RunningProgram program(home.env());
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        QVERIFY(program.keys({"a", "b", "shift+c"}));
        const QString geometry =
            RunningProgram::xdotool({"getwindowgeometry", "--shell", program.window()})
                .value_or("");
        const QRegularExpression size(QStringLiteral("WIDTH=(\\d+)\\s+HEIGHT=(\\d+)"));
        const QRegularExpressionMatch match = size.match(geometry);
        QVERIFY2(match.hasMatch(), qPrintable(geometry));
        // The transcript fills the window's lower right corner.
        QVERIFY(program.click(match.captured(1).toInt() - 150, match.captured(2).toInt() - 30));
        QTest::qWait(300);
        QVERIFY(program.keys({"ctrl+a"}));
        QVERIFY(program.keys(typed.split(QString(), Qt::SkipEmptyParts)));
        if (end.size() > 1)
            QVERIFY(program.click(20, 10));
        QTest::qWait(300);
        QVERIFY(program.keys(end));
        if (end.size() > 1) {
            // The clear itself kept the journal, before any quit.
            QTRY_VERIFY(!home.files(QStringLiteral("*--discarded.txt")).isEmpty());
            QVERIFY(program.signal(SIGTERM));
        }
        QVERIFY(program.exitsCleanly());
        QCOMPARE(home.transcriptFiles().size(), transcripts);
        const QStringList kept = home.files(QStringLiteral("*--discarded.txt"));
        QCOMPARE(kept.size(), 1);
        const QStringList lines = home.lines(kept[0]);
        QCOMPARE(lines.size(), 6);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(
                lines[3 + i].endsWith(QStringLiteral("  ") + QStringList{"a", "b", "shift-C"}[i]),
                qPrintable(lines.join('\n')));
        QVERIFY(home.files(QStringLiteral("*--unsaved*")).isEmpty());
    }

    void savesReachTheDiskInOrder() {
        // The order of the calls that decide what a power cut leaves behind,
        // as a preload library sees them: a checkpoint, the journal and the
        // save at the end.
        AppHome home;
        QVERIFY(QDir().mkpath(home.storage()));
        QTemporaryDir logDir;
        const QString logName = logDir.filePath(QStringLiteral("calls.log"));
        RunningProgram program(traced(home, logName));
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        QVERIFY(program.keys({"a", "b", "ctrl+s"}));
        QTest::qWait(1500);
        QVERIFY(program.keys({"c"}));
        QTest::qWait(300);
        const QString journal = home.files(QStringLiteral("*--unsaved.txt")).value(0);
        QVERIFY(!journal.isEmpty());
        QVERIFY(program.signal(SIGTERM));
        QVERIFY(program.exitsCleanly());
        const QString transcript = home.transcriptFiles().value(0);
        const QString checkpoint = home.files(QStringLiteral("*--checkpoint-at--*")).value(0);
        QVERIFY(!transcript.isEmpty() && !checkpoint.isEmpty());

        QFile logFile(logName);
        QVERIFY(logFile.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList calls = QString::fromUtf8(logFile.readAll()).split('\n');
        const QString folder = home.storage();
        const QString journalPath = QDir(folder).filePath(journal);
        // A file is published by a rename (or link) only after the data
        // last written for it was synced.
        const auto published = [&](const QString& name) {
            const QRegularExpression publish(
                QStringLiteral("^rename .* %1$")
                    .arg(QRegularExpression::escape(QDir(folder).filePath(name))));
            return calls.lastIndexOf(publish);
        };
        for (const QString& name : {transcript, checkpoint}) {
            const auto publish = published(name);
            auto write = publish;
            while (--write >= 0 && (!calls[write].startsWith(QLatin1String("write ")) ||
                                    calls[write].endsWith(journalPath))) {
            }
            QVERIFY2(publish > 0 && write >= 0, qPrintable(calls.join(QLatin1Char(10))));
            const QString file = calls[write].mid(6);
            const auto sync = calls.indexOf(QStringLiteral("fsync ") + file, write);
            QVERIFY2(sync > write && sync < publish, qPrintable(calls.join('\n')));
        }
        // The journal's lines were synced, and it goes only after the
        // folder holding the new transcript's name was synced.
        const auto lastWrite = calls.lastIndexOf(QStringLiteral("write ") + journalPath);
        QVERIFY(calls.indexOf(QStringLiteral("fsync ") + journalPath) > 0);
        const auto publish = published(transcript);
        const auto folderSync = calls.indexOf(QStringLiteral("fsync ") + folder, publish);
        const auto unlinked = calls.indexOf(QStringLiteral("unlink ") + journalPath);
        QVERIFY2(lastWrite < publish && folderSync > publish && unlinked > folderSync,
                 qPrintable(calls.join('\n')));
    }

    // A save whose new name may not have reached the disk keeps the journal.
    void failedFolderSyncKeepsTheJournal() {
        AppHome home;
        QVERIFY(QDir().mkpath(home.storage()));
        QTemporaryDir logDir;
        QProcessEnvironment env = traced(home, logDir.filePath(QStringLiteral("calls.log")));
        env.insert(QStringLiteral("KEYSTAMP_TRACE_FAIL_FOLDER_SYNC"), QStringLiteral("1"));
        RunningProgram program(env);
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        QVERIFY(program.keys({"a"}));
        QTest::qWait(300);
        QVERIFY(program.signal(SIGTERM));
        QVERIFY(program.exitsCleanly());
        QCOMPARE(home.transcriptFiles().size(), 1);
        const QStringList kept = home.files(QStringLiteral("*--discarded.txt"));
        QCOMPARE(kept.size(), 1);
        QVERIFY(home.lines(kept[0]).value(3).endsWith(QStringLiteral("  a")));
    }
};

QTEST_GUILESS_MAIN(E2eSession)
#include "tst_e2e_session.moc"
