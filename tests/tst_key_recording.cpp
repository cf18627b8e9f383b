// The recorder: names, prefixes, the order of its rules and the transport keys,
// through real widgets and a scripted player.
#include "session/key_recording.h"
#include "session/state.h"
#include "support/logic_widgets.h"

#include <QRegularExpression>
#include <QtTest>

Q_DECLARE_METATYPE(KeyEvent)

namespace {

KeyEvent key(std::uint16_t code, std::optional<QString> chars, bool ctrl = false,
             bool shift = false, bool option = false, bool cmd = false) {
    KeyEvent e;
    e.keyCode = code;
    e.characters = std::move(chars);
    e.control = ctrl;
    e.shift = shift;
    e.option = option;
    e.command = cmd;
    return e;
}

} // namespace

class KeyRecording : public QObject {
    Q_OBJECT

    std::unique_ptr<LogicWidgets> w;
    FakePlayer* player = nullptr;

    QStringList lines() const { return w->lines(); }
    // The entry of the last line: what follows the time, the clock and their blanks.
    QString lastEntry() const { return lines().isEmpty() ? QString() : lines().last().mid(20); }

private slots:
    void init() {
        w = std::make_unique<LogicWidgets>();
        player = w->givePlayer();
    }
    void cleanup() { w.reset(); }

    void namesAsInTheWorkedExamples_data() {
        QTest::addColumn<KeyEvent>("event");
        QTest::addColumn<QString>("entry");
        QTest::newRow("a") << key(0, "a") << "a";
        QTest::newRow("shift a") << key(0, "A", false, true) << "shift-A";
        QTest::newRow("ctrl shift a") << key(0, "A", true, true) << "ctrl-shift-A";
        QTest::newRow("cmd option x") << key(7, "x", false, false, true, true) << "option-cmd-x";
        QTest::newRow("shift 3") << key(20, "#", false, true) << "shift-code20";
        QTest::newRow("F5") << key(96, QStringLiteral("\uF708")) << "F5";
        QTest::newRow("keypad 5") << key(87, "5") << "5";
        QTest::newRow("keypad enter") << key(76, "\r") << "kp_enter";
        QTest::newRow("cmd up") << key(126, QStringLiteral("\uF700"), false, false, false, true)
                                << "cmd-UpArrow";
        QTest::newRow("all four") << key(0, "A", true, true, true, true)
                                  << "ctrl-shift-option-cmd-A";
        QTest::newRow("up arrow") << key(126, std::nullopt) << "UpArrow";
        QTest::newRow("down with shift")
            << key(125, std::nullopt, false, true) << "shift-DownArrow";
        QTest::newRow("main-row 1") << key(18, "1") << "1";
        QTest::newRow("keypad 1") << key(83, "1") << "1";
        QTest::newRow("main-row 0") << key(29, "0") << "zero";
        QTest::newRow("keypad 0") << key(82, "0") << "zero";
        QTest::newRow("period") << key(47, ".") << "Dot";
        QTest::newRow("keypad decimal") << key(65, ".") << "Dot";
    }
    void namesAsInTheWorkedExamples() {
        QFETCH(KeyEvent, event);
        QFETCH(QString, entry);
        recordKey(12.3456, event);
        QCOMPARE(lines().size(), 1);
        const QString line = lines().first();
        static const QRegularExpression layout(
            QStringLiteral("^   12\\.35  \\d\\d:\\d\\d:\\d\\d  (.*)$"));
        const auto match = layout.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        QCOMPARE(match.captured(1), entry);
        QCOMPARE(w->echo.text(), line);
        QVERIFY(player->rateCalls.empty());
    }

    void nameRulesInOrder_data() {
        QTest::addColumn<KeyEvent>("event");
        QTest::addColumn<QString>("entry");
        // The table wins over whatever the key produced.
        QTest::newRow("table beats characters") << key(18, "!", false, true) << "shift-1";
        QTest::newRow("no characters") << key(4000, std::nullopt) << "code4000";
        QTest::newRow("single blank") << key(4001, " ") << "space";
        QTest::newRow("empty") << key(4002, "", true) << "ctrl-code4002";
        QTest::newRow("below 2") << key(4003, "1") << "code4003";
        QTest::newRow("bound 2") << key(19, "2") << "2";
        QTest::newRow("tilde") << key(4004, "~") << "~";
        QTest::newRow("whole string kept") << key(4005, "ab") << "ab";
        QTest::newRow("composed e acute") << key(4006, QStringLiteral("\u00E9")) << "\u00E9";
        QTest::newRow("decomposed e acute")
            << key(4007, QStringLiteral("e\u0301")) << QStringLiteral("e\u0301");
        QTest::newRow("upper bound h-bar") << key(4008, QStringLiteral("\u0127")) << "\u0127";
        QTest::newRow("just above h-bar") << key(4009, QStringLiteral("\u0131")) << "code4009";
        // Compared decomposed: I with tilde is I and a combining mark, in range.
        QTest::newRow("decomposes into range")
            << key(4017, QStringLiteral("\u0128")) << QStringLiteral("\u0128");
        QTest::newRow("cyrillic") << key(4010, QStringLiteral("\u0434")) << "code4010";
        QTest::newRow("greek") << key(4011, QStringLiteral("\u03B1")) << "code4011";
        QTest::newRow("private use") << key(4012, QStringLiteral("\uF704")) << "code4012";
        QTest::newRow("astral") << key(4013, QStringLiteral("\U0001F600")) << "code4013";
        // A base letter in range with a combining mark is one character, in range.
        QTest::newRow("a with combining ring")
            << key(4014, QStringLiteral("a\u030A")) << QStringLiteral("a\u030A");
        // The first character decides; later ones are kept as typed.
        QTest::newRow("first char decides") << key(4015, QStringLiteral("a\u0434")) << "a\u0434";
        QTest::newRow("first char below") << key(4016, QStringLiteral("#a")) << "code4016";
    }
    void nameRulesInOrder() {
        QFETCH(KeyEvent, event);
        QFETCH(QString, entry);
        recordKey(1.0, event);
        QCOMPARE(lastEntry(), entry);
    }

    void spaceBarPlaysAndStops() {
        savedState().playAtRate = 0.5f;
        recordKey(3.0, key(49, " "));
        QCOMPARE(lastEntry(), QStringLiteral("play_x_0.50"));
        QCOMPARE(player->rate(), 0.5f);
        recordKey(4.0, key(49, " ", false, true)); // modifiers do not matter
        QCOMPARE(lastEntry(), QStringLiteral("stop"));
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(lines().size(), 2);
        QVERIFY(!w->script.toPlainText().contains(QStringLiteral("Space")));
    }

    void thresholdAndNegativeRates() {
        // Exactly the threshold counts as playing.
        player->setRateSilently(0.0001f);
        recordKey(1.0, key(49, " "));
        QCOMPARE(lastEntry(), QStringLiteral("stop"));
        player->setRateSilently(0.0001f);
        recordKey(1.0, key(123, std::nullopt));
        QCOMPARE(lastEntry(), QStringLiteral("stop"));
        QVERIFY(player->frameSteps.empty());
        // Just below it counts as stopped, and so does a negative rate.
        player->setRateSilently(0.00009f);
        recordKey(1.0, key(49, " "));
        QCOMPARE(lastEntry(), QStringLiteral("play_x_1.00"));
        player->setRateSilently(-1.0f);
        recordKey(1.0, key(49, " "));
        QCOMPARE(lastEntry(), QStringLiteral("play_x_1.00"));
        QCOMPARE(player->rate(), 1.0f);
    }

    void arrowsWhileStoppedGoToThePlayerView() {
        w->echo.setText(QStringLiteral("before"));
        recordKey(2.0, key(123, std::nullopt));
        recordKey(2.0, key(124, std::nullopt, true, true));
        QVERIFY(w->script.toPlainText().isEmpty());
        QCOMPARE(w->echo.text(), QStringLiteral("before"));
        QCOMPARE(player->frameSteps, (std::vector<bool>{false, true}));
        // While playing they stop the video and say so.
        player->setRate(2.0f);
        recordKey(2.5, key(124, std::nullopt, false, true));
        QCOMPARE(lastEntry(), QStringLiteral("stop"));
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->frameSteps.size(), size_t(2));
    }

    void timeIsUsedAsGiven() {
        recordKey(-3.0, key(0, "a"));
        recordKey(123456.789, key(0, "a"));
        QVERIFY(lines().at(0).startsWith(QStringLiteral("   -3.00  ")));
        QVERIFY(lines().at(1).startsWith(QStringLiteral("123456.79  ")));
    }

    void keysArriveInOrderWithinOneSecond() {
        for (const char* c : {"q", "w", "e", "r"})
            recordKey(1.0, key(4100, QString::fromLatin1(c)));
        QStringList entries;
        for (const QString& l : lines())
            entries << l.section(QStringLiteral("  "), -1);
        QCOMPARE(entries, (QStringList{"q", "w", "e", "r"}));
    }

    void playerViewRecordsAtTheArrivalTime() {
        player->time = 7.25;
        w->view.keyDown(key(0, "a"));
        QVERIFY(lines().last().startsWith(QStringLiteral("    7.25  ")));
        // The time is read before the space bar changes anything.
        w->view.keyDown(key(49, " "));
        QVERIFY(lines().last().startsWith(QStringLiteral("    7.25  ")));
        QVERIFY(lines().last().endsWith(QStringLiteral("play_x_1.00")));
    }

    void transportKeysWithoutPlayerDoNothing() {
        AVPlayerViewAcceptsDrop empty;
        savedState().playerView = &empty;
        recordKey(0.0, key(49, " "));
        recordKey(0.0, key(123, std::nullopt));
        QVERIFY(w->script.toPlainText().isEmpty());
        recordKey(0.0, key(0, "a"));
        QCOMPARE(lastEntry(), QStringLiteral("a"));
        savedState().playerView = &w->view;
    }
};

QTEST_MAIN(KeyRecording)
#include "tst_key_recording.moc"
