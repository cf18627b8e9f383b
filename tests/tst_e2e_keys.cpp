// End to end: the real program on an X display of its own, in a temporary
// home, takes real key presses from the X server and, at Quit, writes exactly
// the expected transcript.
#include "platform/date_format.h"
#include "support/app_home.h"
#include "support/e2e_program.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QtTest>

class E2eKeys : public QObject {
    Q_OBJECT

    PrivateDisplay display;

private slots:
    void initTestCase() { QVERIFY(display.start()); }

    void keysThenQuit() {
        // Key presses in xdotool's notation and the entries they record
        // while the stopwatch stands still at 0.
        const QList<std::pair<QString, QString>> stillKeys = {
            {"a", "a"},
            {"shift+a", "shift-A"},
            {"ctrl+a", "ctrl-a"},
            {"ctrl+shift+a", "ctrl-shift-A"},
            {"alt+x", "option-x"},
            {"super+x", "cmd-x"},
            {"alt+super+x", "option-cmd-x"},
            {"shift+3", "shift-code20"},
            {"F5", "F5"},
            {"KP_5", "5"},
            {"KP_Enter", "kp_enter"},
            {"super+Up", "cmd-UpArrow"},
            {"Up", "UpArrow"},
            {"Tab", "Tab"},
        };
        AppHome home;
        RunningProgram program(home.env());
        const QDateTime started = QDateTime::currentDateTimeUtc().addSecs(-1);
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        QStringList keys;
        QStringList expected;
        for (const auto& [key, entry] : stillKeys) {
            keys << key;
            expected << entry;
        }
        // Left while stopped steps a frame and records nothing.
        QVERIFY(program.keys(keys << "Left"
                                  << "space"));
        QTest::qWait(800);
        QVERIFY(program.keys({"Right", "space"}));
        QTest::qWait(800);
        QVERIFY(program.keys({"space", "b"}));
        QTest::qWait(300);
        QVERIFY(program.keys({"ctrl+q"}));
        QVERIFY(program.exitsCleanly());
        expected << "play_x_1.00"
                 << "stop"
                 << "play_x_1.00"
                 << "stop"
                 << "b";

        const QStringList files = home.transcriptFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY(home.files(QStringLiteral("*--unsaved*")).isEmpty());
        QDateTime stamp =
            QDateTime::fromString(files[0].left(19), QStringLiteral("yyyy.MM.dd-HH.mm.ss"));
        stamp.setTimeZone(QTimeZone::utc());
        QVERIFY2(stamp.isValid() && files[0].mid(19) == QStringLiteral("--stopwatch.txt"),
                 qPrintable(files[0]));
        QVERIFY(stamp >= started && stamp <= QDateTime::currentDateTimeUtc());
        const QStringList raw = home.lines(files[0]);
        QCOMPARE(raw.size(), 3 + expected.size());
        QCOMPARE(raw.mid(0, 3),
                 QStringList({"#",
                              "# started_at " +
                                  formatDate(stamp, QStringLiteral("EEEE, MMMM d, yyyy h:mm:ss a"),
                                             QStringLiteral("en_US"), QStringLiteral("UTC")),
                              "# video_name stopwatch"}));
        static const QRegularExpression re(
            QStringLiteral("^( {0,7}-?\\d+\\.\\d\\d)  \\d\\d:\\d\\d:\\d\\d  (.+)$"));
        QStringList entries;
        QList<double> times;
        for (const QString& l : raw.mid(3)) {
            const auto m = re.match(l);
            QVERIFY2(m.hasMatch() && m.captured(1).size() == 8, qPrintable(l));
            times << m.captured(1).toDouble();
            entries << m.captured(2);
        }
        QCOMPARE(entries, expected);
        // Still at 0 until the first play; the first stop comes later, the
        // second play where the video stopped, and b where it stopped again
        // (a stopped video may settle a hundredth from where the key caught it).
        const qsizetype n = stillKeys.size();
        for (qsizetype i = 0; i <= n; ++i)
            QCOMPARE(times[i], 0.0);
        QVERIFY(times[n + 1] > 0.0);
        QVERIFY(qAbs(times[n + 2] - times[n + 1]) <= 0.011);
        QVERIFY(times[n + 3] > times[n + 2]);
        QVERIFY(qAbs(times[n + 4] - times[n + 3]) <= 0.011);
    }
};

QTEST_GUILESS_MAIN(E2eKeys)
#include "tst_e2e_keys.moc"
