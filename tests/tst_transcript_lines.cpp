// Transcript lines with real widgets and a scripted player: notes and the
// observer's cursor, numbers in any locale, and key presses through the
// recorder's names, prefixes and transport keys.
#include "platform/date_format.h"
#include "platform/event_time.h"
#include "platform/key_translation.h"
#include "session/format.h"
#include "session/key_names.h"
#include "session/key_recording.h"
#include "session/state.h"
#include "session/transcript.h"
#include "support/logic_widgets.h"

#include <QKeyEvent>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QtTest>

#include <linux/input-event-codes.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace {

// A key event; mods holds c, s, o, m for Control, Shift, Option, Command.
KeyEvent key(std::uint16_t code, std::optional<QString> chars, const char* mods = "") {
    const auto has = [mods](char m) { return std::strchr(mods, m) != nullptr; };
    return {code, has('c'), has('s'), has('o'), has('m'), std::move(chars), 0.0}; // in field order
}

// A player whose history tells whether it played when a key went down,
// whatever its rate is now.
class HistoryPlayer : public FakePlayer {
public:
    bool playedThen = false;
    bool playingAt(double) const override { return playedThen; }
};

} // namespace

class TranscriptLines : public QObject {
    Q_OBJECT

    std::unique_ptr<LogicWidgets> w;
    HistoryPlayer* player = nullptr;

private slots:
    void init() {
        w = std::make_unique<LogicWidgets>();
        auto owned = std::make_unique<HistoryPlayer>();
        player = owned.get();
        w->view.setPlayer(std::move(owned));
    }
    void cleanup() { w.reset(); }

    // Each note ends in one line feed; neither the observer's cursor or
    // selection nor undo disturbs it, and every line shows in the echo.
    void notesKeepTheObserversCursor() {
        styleTranscript(&w->script);
        recordNote(QStringLiteral("first"));
        QCOMPARE(w->script.textCursor().position(), 0);
        QTextCursor c(w->script.document());
        c.setPosition(1);
        c.setPosition(4, QTextCursor::KeepAnchor);
        w->script.setTextCursor(c);
        recordNote(QStringLiteral("two\nlines"));
        QCOMPARE(w->script.textCursor().anchor(), 1);
        QCOMPARE(w->script.textCursor().position(), 4);
        recordNote(QString());
        w->script.undo();
        QCOMPARE(w->script.toPlainText(), QStringLiteral("first\ntwo\nlines\n\n"));
        player->time = 83.2;
        recordTimedNote(-1.0, QStringLiteral("y")); // a negative time stands for the player's
        QCOMPARE(w->echo.text().left(10), QStringLiteral("   83.20  "));
    }

    // The view follows new lines only while it stands at its end.
    void viewFollowsNewLinesOnlyFromItsEnd() {
        w->script.resize(300, 200);
        w->script.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w->script));
        QScrollBar* bar = w->script.verticalScrollBar();
        for (int i = 0; i < 500; ++i)
            recordNote(QStringLiteral("line %1").arg(i));
        QVERIFY(bar->maximum() > 400);
        for (const bool scrolledUp : {false, true}) {
            QCOMPARE(bar->value(), bar->maximum());
            if (scrolledUp)
                bar->setValue(100);
            const QTextCursor cursor = w->script.textCursor();
            const int before = bar->value();
            recordNote(QStringLiteral("newest"));
            QCOMPARE(bar->value(), scrolledUp ? before : bar->maximum());
            QVERIFY(bar->value() != before || scrolledUp);
            QCOMPARE(w->script.textCursor(), cursor);
        }
    }

    // Numbers as printf "%8.2f" gives them in the C locale, whatever the
    // locale is; the line's clock.
    void numbersAndClock() {
        const std::string previous = std::setlocale(LC_ALL, nullptr);
        QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8"), "de_DE.UTF-8 locale is not installed");
        QCOMPARE(timeStampedLine(12.3456, QStringLiteral("14:03:09"), QStringLiteral("a")),
                 QStringLiteral("   12.35  14:03:09  a"));
        QCOMPARE(formatFixed(0.25f, 2), QStringLiteral("0.25"));
        std::setlocale(LC_ALL, "C");
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 2000; ++i) {
            const double v = (rng->generateDouble() - 0.5) * std::pow(10.0, rng->bounded(-3, 9));
            char expected[64];
            std::snprintf(expected, sizeof expected, "%8.2f", v);
            QCOMPARE(formatFixed(v, 2, 8), QString::fromLatin1(expected));
        }
        std::setlocale(LC_ALL, previous.c_str());
        for (const char* clock : {"09:05:07", "21:05:07"}) // 24 hours, two digits each
            QCOMPARE(clockText(QDateTime(QDate(2026, 12, 5), QTime::fromString(clock))),
                     QLatin1String(clock));
    }

    // The 53 named keys, written apart from the code's table, each with one evdev
    // key (Insert for Help; two keypad commas); others get stable codes of their own.
    void keyCodes() {
        const QString pairs = QStringLiteral(
            "36 Return,48 Tab,49 Space,51 Delete,53 Escape,123 LeftArrow,124 RightArrow,"
            "125 DownArrow,126 UpArrow,115 Home,119 End,116 PageUp,121 PageDown,"
            "117 ForwardDelete,114 Help,122 F1,120 F2,99 F3,118 F4,96 F5,97 F6,98 F7,100 F8,"
            "101 F9,109 F10,103 F11,111 F12,105 F13,107 F14,113 F15,106 F16,64 F17,79 F18,"
            "80 F19,90 F20,43 Comma,47 Dot,44 Slash,50 backtick,18 1,29 zero,27 minus,39 apost,"
            "71 clear,81 kp_equals,75 kp_slash,67 kp_star,83 1,82 zero,65 Dot,78 kp_minus,"
            "69 kp_plus,76 kp_enter");
        QHash<std::uint16_t, QString> expected;
        for (const QString& pair : pairs.split(','))
            expected.insert(std::uint16_t(pair.section(' ', 0, 0).toUInt()), pair.section(' ', 1));
        QCOMPARE(expected.size(), 53);
        QCOMPARE(mapKeyCodeToName(), expected);
        QCOMPARE(keyCodeForEvdev(KEY_SYSRQ), kOwnKeyCodeBase + KEY_SYSRQ);
        QCOMPARE(keyCodeForEvdev(-8), kOwnKeyCodeBase); // not wrapped onto another key
        std::map<int, std::set<int>> byCode;
        for (int evdev = 0; evdev <= KEY_MAX; ++evdev)
            if (auto code = tableKeyCodeForEvdev(evdev))
                byCode[*code].insert(evdev);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QVERIFY2(byCode.count(it.key()), qPrintable(it.value()));
        for (const auto& [code, keys] : byCode)
            QVERIFY2(keys.size() == 1 || keys == std::set<int>({KEY_INSERT, KEY_HELP}) ||
                         keys == std::set<int>({KEY_KPJPCOMMA, KEY_KPCOMMA}),
                     qPrintable(QString::number(code)));
        QCOMPARE(shiftOnlyTextForLayout(KEY_Y, true, "de"), QStringLiteral("Z")); // right of T
    }

    // Keys that only change modifiers are not recorded: AltGr, a level shift
    // Qt does not know; a modifier key remapped to Escape is.
    void modifierOnlyKeys() {
        QVERIFY(isModifierOnlyKey(QKeyEvent(QEvent::KeyPress, Qt::Key_AltGr, {}, 108, 0xfe03, 0)));
        QVERIFY(isModifierOnlyKey(QKeyEvent(QEvent::KeyPress, 0, {}, 92, 0xfe11, 0)));
        QVERIFY(!isModifierOnlyKey(QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}, 66, 0xff1b, 0)));
    }

    // Synthetic events (no scan code): the key from the Qt key. With a scan code
    // but no X11 keymap (offscreen), the scan code names the key, the event gives
    // the characters (German key right of T).
    void eventsWithoutLiveKeymap() {
        const auto none = Qt::NoModifier, ctrl = Qt::ControlModifier, keypad = Qt::KeypadModifier;
        const std::tuple<int, Qt::KeyboardModifiers, int, QString, int, QString> rows[] = {
            {Qt::Key_A, Qt::ShiftModifier, 0, "A", 0, "shift-A"},
            {Qt::Key_Q, Qt::GroupSwitchModifier, 0, "@", 12, "option-q"},
            {Qt::Key_Clear, keypad, 0, "", 87, "5"}, // keypad 5, Num Lock off
            {Qt::Key_Adiaeresis, none, 0, "ä", kOwnKeyCodeBase, "ä"},
            {Qt::Key_Z, ctrl, KEY_Y + 8, "\x1a", 16, "ctrl-z"},
            {Qt::Key_Print, none, KEY_SYSRQ + 8, "", kOwnKeyCodeBase + KEY_SYSRQ, ""}};
        for (const auto& [qtKey, modifiers, scanCode, text, code, prefixed] : rows) {
            const KeyEvent e = keyEventFromQt(
                QKeyEvent(QEvent::KeyPress, qtKey, modifiers, quint32(scanCode), 0, 0, text));
            QCOMPARE(QStringLiteral("%1 %2").arg(e.keyCode).arg(modifierPrefix(e) +
                                                                e.characters.value_or("-")),
                     QStringLiteral("%1 %2").arg(code).arg(prefixed));
        }
    }

    // The table wins over the characters; characters name a key only when one
    // blank or starting with a character from "2" to U+0127 (the first with its
    // marks, compared decomposed); else the code does. Lines: "   12.35  HH:mm:ss  entry".
    void keyNames() {
        const std::pair<KeyEvent, QString> rows[] = {
            {key(0, "A", "s"), "shift-A"},
            {key(0, "A", "csom"), "ctrl-shift-option-cmd-A"},
            {key(18, "!", "s"), "shift-1"},
            {key(4000, std::nullopt), "code4000"},
            {key(4001, " "), "space"},
            {key(4002, "", "c"), "ctrl-code4002"},
            {key(4003, "1"), "code4003"},
            {key(19, "2"), "2"},
            {key(4008, QStringLiteral("\u0127")), QStringLiteral("\u0127")},
            {key(4009, QStringLiteral("\u0131")), "code4009"},
            {key(4018, QStringLiteral("\u0127\u0301")), "code4018"},
            {key(4017, QStringLiteral("\u0128")), QStringLiteral("\u0128")},
            {key(4015, QStringLiteral("a\u0434")), QStringLiteral("a\u0434")},
            {key(4016, QStringLiteral("#a")), "code4016"}};
        for (const auto& [event, entry] : rows) {
            w->script.clear();
            recordKey(12.3456, event);
            QCOMPARE(w->lines().size(), 1);
            QCOMPARE(w->lines().first().left(10) + w->lines().first().mid(18),
                     "   12.35    " + entry);
            QCOMPARE(w->echo.text(), w->lines().first());
        }
        QVERIFY(player->rateCalls.empty());
        const int off = QTime::fromString(w->lines().first().mid(10, 8), "HH:mm:ss")
                            .secsTo(QTime::currentTime()); // the clock of the key's moment
        QVERIFY(qAbs(off) <= 2 || qAbs(off) >= 86398);
    }

    // Space and the arrows act by whether the video played when the key went
    // down: by its rate, or by its history when the key has its moment (it
    // may have stopped or started by itself since, during a stall). Arrows
    // while stopped step a frame and write nothing; a stop whose playhead
    // moved on takes the picture back to the stamp.
    void transportKeys() {
        // Rate, played at the key's moment (-1: no moment), time when handled
        // (stamped at 2), key; then line|frames stepped|rate|seek.
        const std::tuple<float, int, double, KeyEvent, QString> rows[] = {
            {0.0f, -1, 2.0, key(49, " "), "play_x_0.50||0.5|"},
            {1e-4f, -1, 2.0, key(49, " "), "stop||0|"}, // the threshold plays
            {9e-5f, -1, 2.0, key(49, " "), "play_x_0.50||0.5|"},
            {0.0f, -1, 2.0, key(123, {}), "|b|0|"},
            {0.0f, -1, 2.0, key(124, {}, "cs"), "|f|0|"},
            {0.0f, 1, 2.0, key(49, " "), "stop||0|"},
            {1.0f, 0, 2.0, key(49, " "), "play_x_0.50||0.5|"},
            {0.0f, 1, 2.034, key(124, {}), "stop||0|2000"}};
        savedState().playAtRate = 0.5f;
        for (auto [rate, playedThen, time, event, expected] : rows) {
            w->script.clear();
            player->frameSteps.clear();
            player->seeks.clear();
            player->setRateSilently(rate);
            player->time = time;
            player->playedThen = playedThen == 1;
            event.pressedAt = playedThen >= 0 ? monotonicSeconds() : 0.0;
            recordKey(2.0, event);
            QString steps;
            for (bool forward : player->frameSteps)
                steps += forward ? 'f' : 'b';
            const QString row =
                QStringLiteral("%1 %2 %3: ").arg(rate).arg(playedThen).arg(event.keyCode);
            QCOMPARE(row + w->lines().value(0).mid(20) + '|' + steps + '|' +
                         QString::number(player->rate()) + '|' +
                         (player->seeks.empty() ? QString() : QString::number(player->seeks[0])),
                     row + expected);
        }
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen"); // key events without a live X keymap
    QApplication app(argc, argv);
    TranscriptLines test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_transcript_lines.moc"
