// End to end: the real program on the X display, in a fresh home per case,
// driven by real X key presses; what it leaves on disk, and in what order.
#include "platform/date_format.h"
#include "support/app_home.h"
#include "support/clips.h"
#include "support/e2e_program.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <optional>

class E2e : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip;
    std::optional<AppHome> home;

    // The entries of a file's time-stamped lines (the part after the clock).
    QStringList entries(const QString& file) const {
        QStringList e;
        for (const QString& l : home->lines(file).mid(3))
            e << l.mid(20);
        return e;
    }

private slots:
    void initTestCase() {
        ClipShape shape;
        clip = makeCodedClip(dir.path(), QStringLiteral("clip.b.mp4"), shape);
        QVERIFY(!clip.isEmpty());
    }
    void init() { home.emplace(); }
    void cleanup() { home.reset(); }

    // Real keys on a video named on the command line, their entries and the
    // transport's times; then the observer types over the whole transcript
    // and quits. The file is named for the video without its last dotted
    // part, the header has the whole name, and the journal stays, discarded.
    void keysEditAndQuit() {
        // xdotool's key, then the entry it records while the video stands at 0.
        const QStringList stillKeys =
            QStringLiteral("a a,shift+a shift-A,ctrl+a ctrl-a,ctrl+shift+a ctrl-shift-A,"
                           "alt+x option-x,super+x cmd-x,alt+super+x option-cmd-x,"
                           "shift+3 shift-code20,F5 F5,KP_5 5,KP_Enter kp_enter,"
                           "super+Up cmd-UpArrow,Up UpArrow,Tab Tab")
                .split(',');
        RunningProgram program(home->env());
        const QDateTime started = QDateTime::currentDateTimeUtc().addSecs(-1);
        QVERIFY(program.start({clip}, QStringLiteral("^clip\\.b")));
        QStringList keys, expected;
        for (const QString& row : stillKeys)
            keys << row.section(' ', 0, 0), expected << row.section(' ', 1);
        // Left while stopped steps a frame, recording nothing; Right while playing stops.
        QVERIFY(program.keys(keys + QStringList{"Left", "space"}));
        QTest::qWait(800);
        QVERIFY(program.keys({"Right", "space"}));
        QTest::qWait(800);
        QVERIFY(program.keys({"space", "b"}));
        QTest::qWait(300);
        expected += QStringList{"play_x_1.00", "stop", "play_x_1.00", "stop", "b"};
        const QString geometry =
            RunningProgram::xdotool({"getwindowgeometry", "--shell", program.window()})
                .value_or("");
        const auto size = QRegularExpression("WIDTH=(\\d+)\\s+HEIGHT=(\\d+)").match(geometry);
        QVERIFY2(size.hasMatch(), qPrintable(geometry));
        // The transcript fills the window's lower right corner.
        QVERIFY(program.click(size.captured(1).toInt() - 150, size.captured(2).toInt() - 30));
        QTest::qWait(300);
        QVERIFY(program.keys({"ctrl+a", "x", "y", "z", "ctrl+q"}));
        QVERIFY(program.exitsCleanly());

        const QStringList files = home->transcriptFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY(home->files(QStringLiteral("unsaved--*")).isEmpty());
        QDateTime stamp = QDateTime::fromString(files[0].left(19), "yyyy.MM.dd-HH.mm.ss");
        stamp.setTimeZone(QTimeZone::utc());
        QVERIFY2(stamp >= started && stamp <= QDateTime::currentDateTimeUtc() &&
                     files[0].mid(19) == QStringLiteral("--clip.txt"),
                 qPrintable(files[0]));
        const QStringList header = {
            "#",
            "# started_at " + formatDate(stamp, "EEEE, MMMM d, yyyy h:mm:ss a", "en_US", "UTC"),
            "# video_name clip.b"};
        QCOMPARE(home->lines(files[0]).mid(0, 4), header + QStringList{"xyz"});
        const QStringList kept = home->files(QStringLiteral("discarded--*.txt"));
        QCOMPARE(kept.size(), 1);
        const QStringList raw = home->lines(kept[0]);
        QCOMPARE(raw.mid(0, 3), header);
        static const QRegularExpression re("^( {0,7}-?\\d+\\.\\d\\d)  \\d\\d:\\d\\d:\\d\\d  .+$");
        QList<double> times;
        for (const QString& l : raw.mid(3)) {
            const auto m = re.match(l);
            QVERIFY2(m.hasMatch() && m.captured(1).size() == 8, qPrintable(l));
            times << m.captured(1).toDouble();
        }
        QCOMPARE(entries(kept[0]), expected);
        // Still at 0 until the first play; the first stop later, the second
        // play where the video stopped, and b where it stopped again (a
        // stopped video may settle a hundredth from where the key caught it).
        const qsizetype n = stillKeys.size();
        for (qsizetype i = 0; i <= n; ++i)
            QCOMPARE(times[i], 0.0);
        QVERIFY(times[n + 1] > 0.0);
        QVERIFY(qAbs(times[n + 2] - times[n + 1]) <= 0.011);
        QVERIFY(times[n + 3] > times[n + 2]);
        QVERIFY2(qAbs(times[n + 4] - times[n + 3]) <= 0.011, qPrintable(raw.join('\n')));
    }

    // A transcript of an earlier run, reopened from the command line with the
    // video beside it: a key goes in by time, a line deleted in the
    // transcript reaches the revision within seconds, and a kill -9 after
    // that loses nothing; the original is untouched.
    void reopenCorrectAndKill() {
        const QByteArray original = "#\n# started_at Saturday, December 5, 2026 6:14:46 PM\n"
                                    "# video_name clip.b\n"
                                    "    0.50  10:00:00  a\n    1.00  10:00:01  b\nnote\n";
        const QString file = dir.filePath(QStringLiteral("2026.12.05-18.14.46--clip.txt"));
        QVERIFY(writeFile(file, original));
        RunningProgram program(home->env());
        QVERIFY(program.start({file}, QStringLiteral("^clip\\.b")));
        QVERIFY(program.keys({"x"}));
        const auto size =
            QRegularExpression("WIDTH=(\\d+)\\s+HEIGHT=(\\d+)")
                .match(RunningProgram::xdotool({"getwindowgeometry", "--shell", program.window()})
                           .value_or(""));
        QVERIFY(size.hasMatch());
        QVERIFY(program.click(size.captured(1).toInt() - 150, size.captured(2).toInt() - 30));
        QTest::qWait(300);
        QVERIFY(program.keys({"ctrl+Home", "ctrl+shift+k"}));
        const auto revision = [&] {
            const QStringList r = home->files(QStringLiteral("*--clip--revision-at--*.txt"));
            return r.size() == 1 ? home->lines(r[0]) : QStringList();
        };
        // The header, the file it came from, b with its note, then x at 1.00.
        QTRY_COMPARE_WITH_TIMEOUT(
            revision().mid(2, 4),
            QStringList({"# video_name clip.b", "# reopened_from 2026.12.05-18.14.46--clip.txt",
                         "    1.00  10:00:01  b", "note"}),
            20000);
        QCOMPARE(::kill(pid_t(program.pid()), SIGKILL), 0);
        QTRY_VERIFY(!program.isRunning());
        const QStringList kept = revision();
        QVERIFY2(kept.size() == 7 && kept[6].startsWith("    1.00  ") && kept[6].endsWith("  x"),
                 qPrintable(kept.join('\n')));
        QCOMPARE(contentsOf(file), original);
    }

    // The calls that decide what a power cut leaves, as a preload library
    // sees them: a file is published by a rename only after its data was
    // synced; the journal goes only after the folder holding the new
    // transcript's name was synced, and stays when that failed.
    void savesReachTheDiskInOrder_data() {
        QTest::addColumn<bool>("folderSyncFails");
        QTest::newRow("folder synced") << false;
        QTest::newRow("folder sync fails") << true;
    }
    void savesReachTheDiskInOrder() {
        QFETCH(bool, folderSyncFails);
        QDir().mkpath(home->storage());
        const QString logName =
            dir.filePath(QStringLiteral("calls-%1.log").arg(QTest::currentDataTag()));
        QProcessEnvironment env = traced(home->env(), home->storage(), logName);
        if (folderSyncFails)
            env.insert(QStringLiteral("KEYSTAMP_TRACE_FAIL_FOLDER_SYNC"), QStringLiteral("1"));
        RunningProgram program(env);
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        // A checkpoint too, where its own folder sync would not fail.
        QVERIFY(program.keys(folderSyncFails ? QStringList{"a", "b"}
                                             : QStringList{"a", "b", "ctrl+s"}));
        QTest::qWait(1500);
        QVERIFY(program.keys({"c"}));
        const auto journaled = [&] { return home->files(QStringLiteral("unsaved--*.txt")); };
        QTRY_VERIFY_WITH_TIMEOUT(
            !journaled().isEmpty() &&
                contentsOf(home->storage() + '/' + journaled()[0]).endsWith("  c\n"),
            20000);
        const QString journal = journaled()[0];
        QVERIFY(program.signal(SIGTERM));
        QVERIFY(program.exitsCleanly());
        const QString transcript = home->transcriptFiles().value(0);
        QVERIFY(!transcript.isEmpty());
        const QStringList kept = home->files(QStringLiteral("discarded--*.txt"));
        if (folderSyncFails) {
            QCOMPARE(kept.size(), 1);
            QCOMPARE(entries(kept[0]), QStringList({"a", "b", "c"}));
            return;
        }
        QVERIFY(kept.isEmpty());
        const QString checkpoint = home->files(QStringLiteral("*--checkpoint-at--*")).value(0);
        QVERIFY(!checkpoint.isEmpty());

        const QStringList calls = QString::fromUtf8(contentsOf(logName)).split('\n');
        const QString all = calls.join('\n');
        const QDir folder(home->storage());
        const QString journalPath = folder.filePath(journal);
        const auto published = [&](const QString& name) {
            return calls.lastIndexOf(QRegularExpression(
                "^rename .* " + QRegularExpression::escape(folder.filePath(name)) + "$"));
        };
        for (const QString& name : {transcript, checkpoint}) {
            const auto publish = published(name);
            auto write = publish;
            while (--write >= 0 && (!calls[write].startsWith(QLatin1String("write ")) ||
                                    calls[write].endsWith(journalPath))) {
            }
            QVERIFY2(publish > 0 && write >= 0, qPrintable(all));
            const auto sync = calls.indexOf("fsync " + calls[write].mid(6), write);
            QVERIFY2(sync > write && sync < publish, qPrintable(all));
        }
        // A line is on disk within a second: b's before c came.
        const auto lastWrite = calls.lastIndexOf("write " + journalPath);
        const auto lineWrite = calls.lastIndexOf("write " + journalPath, lastWrite - 1);
        const auto lineSync = calls.indexOf("fsync " + journalPath, lineWrite);
        QVERIFY2(lineWrite > 0 && lineSync > lineWrite && lineSync < lastWrite, qPrintable(all));
        const auto publish = published(transcript);
        const auto folderSync = calls.indexOf("fsync " + home->storage(), publish);
        const auto unlinked = calls.indexOf("unlink " + journalPath);
        QVERIFY2(lastWrite < publish && folderSync > publish && unlinked > folderSync,
                 qPrintable(all));
    }
};

QTEST_GUILESS_MAIN(E2e)
#include "tst_e2e.moc"
