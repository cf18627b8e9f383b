// End to end: the real program on the test's X display, in a temporary home,
// takes real key presses from the X server and writes exactly the expected
// transcript when it is quit or told to terminate.
#include "platform/date_format.h"
#include "support/app_home.h"
#include "support/e2e_program.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

// Key presses in xdotool's notation and the entries they record while the
// stopwatch stands still at 0.
const QList<std::pair<QString, QString>> kStillKeys = {
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

struct Line {
    double time;
    QString clock;
    QString entry;
};

std::optional<Line> parseLine(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^( {0,7}-?\\d+\\.\\d\\d)  (\\d\\d:\\d\\d:\\d\\d)  (.+)$"));
    const auto m = re.match(text);
    if (!m.hasMatch() || m.captured(1).size() < 8)
        return std::nullopt;
    return Line{m.captured(1).trimmed().toDouble(), m.captured(2), m.captured(3)};
}

} // namespace

class E2eKeys : public QObject {
    Q_OBJECT

    PrivateDisplay display;

    // Runs one session: the keys, then the way of ending; returns the lines
    // of the one transcript file after checking its name and header.
    void codeSession(const std::function<bool(RunningProgram&)>& end, QList<Line>* lines) {
        AppHome home;
        RunningProgram program(home.env());
        const QDateTime started = QDateTime::currentDateTimeUtc().addSecs(-1);
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        QStringList still;
        for (const auto& k : kStillKeys)
            still << k.first;
        // Left while stopped steps a frame and records nothing.
        still << QStringLiteral("Left") << QStringLiteral("space");
        QVERIFY(program.keys(still));
        QTest::qWait(800);
        QVERIFY(program.keys({QStringLiteral("Right"), QStringLiteral("space")}));
        QTest::qWait(800);
        QVERIFY(program.keys({QStringLiteral("space"), QStringLiteral("b")}));
        QTest::qWait(300);
        QVERIFY(end(program));
        QVERIFY2(program.waitForExit(), qPrintable(program.errorOutput()));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QDateTime ended = QDateTime::currentDateTimeUtc().addSecs(1);

        const QStringList files = home.transcriptFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY(home.journalFiles().isEmpty());
        static const QRegularExpression name(QStringLiteral(
            "^(\\d{4}\\.\\d\\d\\.\\d\\d-\\d\\d\\.\\d\\d\\.\\d\\d)--stopwatch\\.txt$"));
        const auto m = name.match(files[0]);
        QVERIFY2(m.hasMatch(), qPrintable(files[0]));
        const QDateTime stamp =
            QDateTime::fromString(m.captured(1), QStringLiteral("yyyy.MM.dd-HH.mm.ss"));
        QDateTime stampUtc = stamp;
        stampUtc.setTimeZone(QTimeZone::utc());
        QVERIFY(stampUtc >= started && stampUtc <= ended);

        QFile file(home.storage() + '/' + files[0]);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.endsWith('\n'));
        QStringList raw = text.split('\n');
        raw.removeLast();
        QVERIFY(raw.size() > 3);
        QCOMPARE(raw[0], QStringLiteral("#"));
        QCOMPARE(raw[1], QStringLiteral("# started_at ") +
                             formatDate(stampUtc, QStringLiteral("EEEE, MMMM d, yyyy h:mm:ss a"),
                                        QStringLiteral("en_US"), QStringLiteral("UTC")));
        QCOMPARE(raw[2], QStringLiteral("# video_name stopwatch"));
        for (const QString& l : raw.mid(3)) {
            const auto line = parseLine(l);
            QVERIFY2(line, qPrintable(l));
            const QTime clock = QTime::fromString(line->clock, QStringLiteral("HH:mm:ss"));
            QVERIFY(clock.isValid());
            lines->append(*line);
        }
    }

    void checkLines(const QList<Line>& lines) {
        QStringList entries;
        for (const Line& l : lines)
            entries << l.entry;
        QStringList expected;
        for (const auto& k : kStillKeys)
            expected << k.second;
        expected << "play_x_1.00"
                 << "stop"
                 << "play_x_1.00"
                 << "stop"
                 << "b";
        if (entries != expected)
            qWarning() << "recorded:" << entries;
        QCOMPARE(entries, expected);
        const qsizetype n = kStillKeys.size();
        // Still at 0 until the first play; the first stop comes later, the
        // second play where the video stopped, and b where it stopped again.
        for (qsizetype i = 0; i <= n; ++i)
            QCOMPARE(lines[i].time, 0.0);
        // (A stopped video may settle a hundredth from where the key caught it.)
        QVERIFY(lines[n + 1].time > 0.0);
        QVERIFY(qAbs(lines[n + 2].time - lines[n + 1].time) <= 0.011);
        QVERIFY(lines[n + 3].time > lines[n + 2].time);
        QVERIFY(qAbs(lines[n + 4].time - lines[n + 3].time) <= 0.011);
    }

private slots:
    void initTestCase() { QVERIFY(display.start()); }

    void keysThenQuit() {
        QList<Line> lines;
        codeSession([](RunningProgram& p) { return p.keys({QStringLiteral("ctrl+q")}); }, &lines);
        if (QTest::currentTestFailed())
            return;
        checkLines(lines);
    }

    void keysThenTerminate() {
        QList<Line> lines;
        codeSession([](RunningProgram& p) { return p.signal(SIGTERM); }, &lines);
        if (QTest::currentTestFailed())
            return;
        checkLines(lines);
    }
};

QTEST_GUILESS_MAIN(E2eKeys)
#include "tst_e2e_keys.moc"
