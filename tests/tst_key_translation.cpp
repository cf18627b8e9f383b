// The physical-key table, the own codes of other keys, layouts compiled by
// libxkbcommon, and key events without a live X keymap.
#include "platform/key_translation.h"
#include "platform/xkb_keymap.h"
#include "session/key_names.h"
#include "session/key_recording.h"

#include <QKeyEvent>
#include <QtTest>

#include <linux/input-event-codes.h>

#include <map>
#include <set>

class KeyTranslationTest : public QObject {
    Q_OBJECT
private slots:
    void tableCoversEveryNamedKeyOnce() {
        const std::pair<int, int> examples[] = {
            {KEY_A, 0},         {KEY_3, 20},        {KEY_SPACE, 49}, {KEY_LEFT, 123},
            {KEY_KPENTER, 76},  {KEY_F5, 96},       {KEY_102ND, 10}, {KEY_NUMLOCK, 71},
            {KEY_KPDOT, 65},    {KEY_F13, 105},     {KEY_F20, 90},   {KEY_HELP, 114},
            {KEY_LEFTMETA, 55}, {KEY_RIGHTALT, 61}, {KEY_Y, 16},     {KEY_Z, 6},
        };
        for (auto [evdev, code] : examples)
            QCOMPARE(int(keyCodeForEvdev(evdev)), code);
        std::map<int, std::set<int>> byCode;
        for (int evdev = 0; evdev <= KEY_MAX; ++evdev) {
            if (auto code = tableKeyCodeForEvdev(evdev))
                byCode[*code].insert(evdev);
        }
        for (auto it = mapKeyCodeToName().cbegin(); it != mapKeyCodeToName().cend(); ++it)
            QVERIFY2(byCode.count(it.key()), qPrintable(it.value()));
        // Two keys share a code only where one stands for the other: Insert
        // for Help, and the two keypad commas Linux knows.
        for (const auto& [code, keys] : byCode) {
            if (code == 114)
                QCOMPARE(keys, (std::set<int>{KEY_INSERT, KEY_HELP}));
            else if (code == 95)
                QCOMPARE(keys, (std::set<int>{KEY_KPJPCOMMA, KEY_KPCOMMA}));
            else
                QVERIFY2(keys.size() == 1, qPrintable(QString::number(code)));
        }
        QVERIFY(byCode.size() >= 100);
        // The key behind each named digit and punctuation code types that
        // character on a US layout: the table checked from another source.
        const std::pair<int, QString> named[] = {{18, "1"}, {29, "0"}, {27, "-"}, {39, "'"},
                                                 {43, ","}, {47, "."}, {44, "/"}, {50, "`"},
                                                 {83, "1"}, {82, "0"}, {67, "*"}, {69, "+"}};
        for (const auto& [code, text] : named)
            QCOMPARE(shiftOnlyTextForLayout(*byCode.at(code).begin(), false, "us"), text);
    }

    void otherKeysGetStableCodesOfTheirOwn() {
        std::set<int> seen;
        for (int evdev : {KEY_SYSRQ, KEY_PAUSE, KEY_PLAYPAUSE, KEY_F21, KEY_RESERVED}) {
            QVERIFY(!tableKeyCodeForEvdev(evdev));
            const std::uint16_t code = keyCodeForEvdev(evdev);
            QCOMPARE(int(code), int(kOwnKeyCodeBase) + evdev);
            QVERIFY(!keyName(code));
            QVERIFY(seen.insert(code).second);
        }
        // Codes from outside the evdev range are not wrapped onto other keys.
        QCOMPARE(keyCodeForEvdev(-8), kOwnKeyCodeBase);
        QCOMPARE(keyCodeForEvdev(0x10000), kOwnKeyCodeBase);
    }

    void layoutText() {
        struct Row {
            const char* layout;
            const char* variant;
            int evdev;
            QString plain, shifted;
        };
        const Row rows[] = {
            {"us", "", KEY_3, "3", "#"},
            {"us", "", KEY_KP5, "5", "5"}, // whatever Num Lock says
            {"us", "", KEY_F5, "", ""},
            {"de", "", KEY_Y, "z", "Z"}, // the key right of T
            {"de", "", KEY_102ND, "<", ">"},
            {"de", "", KEY_EQUAL, "\u00B4", "`"}, // dead keys give their accents
            {"fr", "", KEY_LEFTBRACE, "^", "\u00A8"},
            {"ru", "", KEY_A, "ф", "Ф"},
            {"us", "dvorak", KEY_S, "o", "O"},
            {"no-such-layout", "", KEY_A, "", ""},
            {"us", "", 100000, "", ""},
            {"us", "", -3, "", ""},
        };
        for (const Row& r : rows) {
            const QString where = QStringLiteral("%1(%2) %3").arg(r.layout, r.variant).arg(r.evdev);
            QVERIFY2(shiftOnlyTextForLayout(r.evdev, false, r.layout, r.variant) == r.plain,
                     qPrintable(where));
            QVERIFY2(shiftOnlyTextForLayout(r.evdev, true, r.layout, r.variant) == r.shifted,
                     qPrintable(where));
        }
        // Groups are chosen by index; one past the last wraps round, as X does.
        auto layout = XkbLayout::fromNames(QStringLiteral("us,de"), QString());
        QVERIFY(layout);
        QCOMPARE(layout->shiftOnlyText(KEY_Y, true, 1), QStringLiteral("Z"));
        QCOMPARE(layout->shiftOnlyText(KEY_Y, false, 2), QStringLiteral("y"));
    }

    void modifierOnlyKeys() {
        struct Row {
            int key, scanCode, keysym;
            bool modifierOnly;
        };
        const Row rows[] = {
            {Qt::Key_AltGr, 108, 0xfe03, true},
            {Qt::Key_Meta, 0, 0, true},
            {Qt::Key_NumLock, 77, 0xff7f, true},
            {0, 92, 0xfe11, true},               // ISO level 5 shift, unknown to Qt
            {Qt::Key_unknown, 50, 0, true},      // left Shift by its evdev code
            {Qt::Key_Escape, 66, 0xff1b, false}, // Caps Lock remapped to Escape
            {Qt::Key_A, 38, 0x61, false},
            {Qt::Key_unknown, 0, 0, false},
        };
        for (const Row& r : rows) {
            const QKeyEvent event(QEvent::KeyPress, r.key, Qt::NoModifier, quint32(r.scanCode),
                                  quint32(r.keysym), 0);
            QVERIFY2(isModifierOnlyKey(event) == r.modifierOnly,
                     qPrintable(QString::number(r.key)));
        }
    }

    void eventsWithoutLiveKeymap() {
        // Synthetic events (no scan code): the key from the Qt key. With a
        // scan code but no X11 keymap, the scan code names the key and the
        // characters come from the event (German key right of T, Ctrl+Z).
        struct Row {
            int key;
            Qt::KeyboardModifiers modifiers;
            int scanCode;
            QString text;
            int code;
            QString prefix;
            QString characters;
        };
        const auto none = Qt::NoModifier, ctrl = Qt::ControlModifier, keypad = Qt::KeypadModifier;
        const Row rows[] = {
            {Qt::Key_A, Qt::ShiftModifier, 0, "A", 0, "shift-", "A"},
            {Qt::Key_X, Qt::AltModifier | Qt::MetaModifier, 0, "x", 7, "option-cmd-", "x"},
            {Qt::Key_Q, Qt::GroupSwitchModifier, 0, "@", 12, "option-", "q"},
            {Qt::Key_NumberSign, ctrl | Qt::ShiftModifier, 0, "", 20, "ctrl-shift-", "#"},
            {Qt::Key_BracketLeft, ctrl, 0, "\x1b", 33, "ctrl-", "["},
            {Qt::Key_Clear, keypad, 0, "", 87, "", "5"}, // keypad 5, Num Lock off
            {Qt::Key_Home, keypad, 0, "", 89, "", "7"},  // keypad 7, Num Lock off
            {Qt::Key_Enter, keypad, 0, "\r", 76, "", ""},
            {Qt::Key_Adiaeresis, none, 0, "ä", kOwnKeyCodeBase, "", "ä"},
            {Qt::Key_Z, ctrl, KEY_Y + 8, "\x1a", 16, "ctrl-", "z"},
            {Qt::Key_Print, none, KEY_SYSRQ + 8, "", kOwnKeyCodeBase + KEY_SYSRQ, "", ""},
        };
        for (const Row& r : rows) {
            const KeyEvent e = keyEventFromQt(
                QKeyEvent(QEvent::KeyPress, r.key, r.modifiers, quint32(r.scanCode), 0, 0, r.text));
            const QByteArray where = QByteArray::number(r.key, 16);
            QVERIFY2(e.keyCode == r.code, where);
            QVERIFY2(modifierPrefix(e) == r.prefix, where);
            QVERIFY2(e.characters == std::optional<QString>(r.characters), where);
        }
    }
};

QTEST_GUILESS_MAIN(KeyTranslationTest)
#include "tst_key_translation.moc"
