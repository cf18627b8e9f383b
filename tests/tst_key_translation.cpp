// The physical-key table, the own codes of other keys, layouts compiled by
// libxkbcommon, and key events without a live X keymap.
#include "platform/key_translation.h"
#include "platform/xkb_keymap.h"
#include "session/key_names.h"

#include <QKeyEvent>
#include <QtTest>

#include <linux/input-event-codes.h>

#include <map>
#include <set>

namespace {

// Every evdev code the table knows, by virtual key code.
std::map<int, std::set<int>> evdevByCode() {
    std::map<int, std::set<int>> byCode;
    for (int evdev = 0; evdev <= KEY_MAX; ++evdev) {
        if (auto code = tableKeyCodeForEvdev(evdev))
            byCode[*code].insert(evdev);
    }
    return byCode;
}

} // namespace

class KeyTranslationTest : public QObject {
    Q_OBJECT
private slots:
    void tableExamples();
    void everyNamedKeyHasOnePhysicalKey();
    void namedKeysTypeTheirNamesOnAUsLayout();
    void otherKeysGetStableCodesOfTheirOwn();
    void layoutText();
    void layoutGroupsAreChosenByIndex();
    void modifierOnlyKeys();
    void eventsWithoutScanCode();
    void eventsWithScanCodeOffX11();
};

void KeyTranslationTest::tableExamples() {
    const std::pair<int, int> examples[] = {
        {KEY_A, 0},          {KEY_3, 20},          {KEY_SPACE, 49},    {KEY_LEFT, 123},
        {KEY_KPENTER, 76},   {KEY_F5, 96},         {KEY_102ND, 10},    {KEY_NUMLOCK, 71},
        {KEY_KP0, 82},       {KEY_KP9, 92},        {KEY_KPDOT, 65},    {KEY_KPPLUS, 69},
        {KEY_KPMINUS, 78},   {KEY_KPASTERISK, 67}, {KEY_KPSLASH, 75},  {KEY_KPEQUAL, 81},
        {KEY_F1, 122},       {KEY_F12, 111},       {KEY_F13, 105},     {KEY_F20, 90},
        {KEY_INSERT, 114},   {KEY_HELP, 114},      {KEY_DELETE, 117},  {KEY_PAGEDOWN, 121},
        {KEY_LEFTCTRL, 59},  {KEY_LEFTSHIFT, 56},  {KEY_LEFTALT, 58},  {KEY_LEFTMETA, 55},
        {KEY_RIGHTMETA, 54}, {KEY_RIGHTSHIFT, 60}, {KEY_RIGHTALT, 61}, {KEY_RIGHTCTRL, 62},
        {KEY_CAPSLOCK, 57},  {KEY_YEN, 93},        {KEY_RO, 94},       {KEY_KPCOMMA, 95},
        {KEY_Y, 16},         {KEY_Z, 6},           {KEY_0, 29},        {KEY_1, 18},
    };
    for (auto [evdev, code] : examples) {
        QCOMPARE(tableKeyCodeForEvdev(evdev), std::optional<std::uint16_t>(code));
        QCOMPARE(int(keyCodeForEvdev(evdev)), code);
    }
}

void KeyTranslationTest::everyNamedKeyHasOnePhysicalKey() {
    const auto byCode = evdevByCode();
    for (auto it = mapKeyCodeToName().cbegin(); it != mapKeyCodeToName().cend(); ++it)
        QVERIFY2(byCode.count(it.key()), qPrintable(it.value()));
    // Two keys share a code only where one stands for the other: Insert for
    // Help, and the two keypad commas Linux knows.
    for (const auto& [code, keys] : byCode) {
        if (code == 114)
            QCOMPARE(keys, (std::set<int>{KEY_INSERT, KEY_HELP}));
        else if (code == 95)
            QCOMPARE(keys, (std::set<int>{KEY_KPJPCOMMA, KEY_KPCOMMA}));
        else
            QVERIFY2(keys.size() == 1, qPrintable(QString::number(code)));
    }
    QVERIFY(byCode.size() >= 100);
}

void KeyTranslationTest::namedKeysTypeTheirNamesOnAUsLayout() {
    // The key behind each named digit and punctuation code types that
    // character on a US layout: a check of the table from another source.
    const std::pair<int, QString> named[] = {{18, "1"}, {29, "0"}, {27, "-"}, {39, "'"},
                                             {43, ","}, {47, "."}, {44, "/"}, {50, "`"},
                                             {83, "1"}, {82, "0"}, {67, "*"}, {69, "+"}};
    const auto byCode = evdevByCode();
    for (const auto& [code, text] : named) {
        QCOMPARE(byCode.at(code).size(), std::size_t(1));
        QCOMPARE(shiftOnlyTextForLayout(*byCode.at(code).begin(), false, "us"), text);
    }
}

void KeyTranslationTest::otherKeysGetStableCodesOfTheirOwn() {
    std::set<int> seen;
    for (int evdev : {KEY_SYSRQ, KEY_PAUSE, KEY_SCROLLLOCK, KEY_PLAYPAUSE, KEY_F21, KEY_RESERVED}) {
        QVERIFY(!tableKeyCodeForEvdev(evdev));
        const std::uint16_t code = keyCodeForEvdev(evdev);
        QCOMPARE(int(code), int(kOwnKeyCodeBase) + evdev);
        QCOMPARE(keyCodeForEvdev(evdev), code);
        QVERIFY(!keyName(code));
        QVERIFY(seen.insert(code).second);
    }
    // Codes from outside the evdev range are not wrapped onto other keys.
    QCOMPARE(keyCodeForEvdev(-8), kOwnKeyCodeBase);
    QCOMPARE(keyCodeForEvdev(0x10000), kOwnKeyCodeBase);
}

void KeyTranslationTest::layoutText() {
    struct Row {
        const char* layout;
        const char* variant;
        int evdev;
        QString plain, shifted;
    };
    const Row rows[] = {
        {"us", "", KEY_A, "a", "A"},
        {"us", "", KEY_3, "3", "#"},
        {"us", "", KEY_KP5, "5", "5"}, // whatever Num Lock says
        {"us", "", KEY_F5, "", ""},
        {"de", "", KEY_Y, "z", "Z"}, // the key right of T
        {"de", "", KEY_3, "3", "§"},
        {"de", "", KEY_SEMICOLON, "ö", "Ö"},
        {"de", "", KEY_102ND, "<", ">"},
        {"de", "", KEY_EQUAL, "\u00B4", "`"}, // dead keys give their accents
        {"fr", "", KEY_Q, "a", "A"},
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
}

void KeyTranslationTest::layoutGroupsAreChosenByIndex() {
    auto layout = XkbLayout::fromNames(QStringLiteral("us,de"), QString());
    QVERIFY(layout);
    QCOMPARE(layout->shiftOnlyText(KEY_Y, false, 0), QStringLiteral("y"));
    QCOMPARE(layout->shiftOnlyText(KEY_Y, false, 1), QStringLiteral("z"));
    QCOMPARE(layout->shiftOnlyText(KEY_Y, true, 1), QStringLiteral("Z"));
    // A group past the last wraps round, as X does.
    QCOMPARE(layout->shiftOnlyText(KEY_Y, false, 2), QStringLiteral("y"));
}

void KeyTranslationTest::modifierOnlyKeys() {
    struct Row {
        int key, scanCode, keysym;
        bool modifierOnly;
    };
    const Row rows[] = {
        {Qt::Key_Shift, 50, 0xffe1, true},
        {Qt::Key_Control, 37, 0xffe3, true},
        {Qt::Key_Alt, 64, 0xffe9, true},
        {Qt::Key_AltGr, 108, 0xfe03, true},
        {Qt::Key_Super_L, 133, 0xffeb, true},
        {Qt::Key_Meta, 0, 0, true},
        {Qt::Key_CapsLock, 66, 0xffe5, true},
        {Qt::Key_NumLock, 77, 0xff7f, true},
        {Qt::Key_ScrollLock, 78, 0xff14, true},
        {0, 92, 0xfe11, true},               // ISO level 5 shift, unknown to Qt
        {Qt::Key_unknown, 50, 0, true},      // left Shift by its evdev code
        {Qt::Key_Escape, 66, 0xff1b, false}, // Caps Lock remapped to Escape
        {Qt::Key_A, 38, 0x61, false},
        {Qt::Key_F5, 71, 0xffc2, false},
        {Qt::Key_A, 0, 0, false},
        {Qt::Key_unknown, 0, 0, false},
    };
    for (const Row& r : rows) {
        const QKeyEvent event(QEvent::KeyPress, r.key, Qt::NoModifier, quint32(r.scanCode),
                              quint32(r.keysym), 0);
        QVERIFY2(isModifierOnlyKey(event) == r.modifierOnly, qPrintable(QString::number(r.key)));
    }
}

void KeyTranslationTest::eventsWithoutScanCode() {
    // Synthetic events (offscreen platform, QTest): the key from the Qt key.
    struct Row {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        int code;
        const char* prefix; // c s o m for control, shift, option, command
        QString characters;
    };
    const auto none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
               keypad = Qt::KeypadModifier;
    const Row rows[] = {
        {Qt::Key_A, none, "a", 0, "", "a"},
        {Qt::Key_A, shift, "A", 0, "s", "A"},
        {Qt::Key_A, ctrl | shift, "\x01", 0, "cs", "A"},
        {Qt::Key_X, Qt::AltModifier | Qt::MetaModifier, "x", 7, "om", "x"},
        {Qt::Key_Q, Qt::GroupSwitchModifier, "@", 12, "o", "q"},
        {Qt::Key_NumberSign, shift, "#", 20, "s", "#"},
        {Qt::Key_NumberSign, ctrl | shift, "", 20, "cs", "#"},
        {Qt::Key_BracketLeft, ctrl, "\x1b", 33, "c", "["},
        {Qt::Key_F5, none, "", 96, "", ""},
        {Qt::Key_5, keypad, "5", 87, "", "5"},
        {Qt::Key_Clear, keypad, "", 87, "", "5"}, // keypad 5, Num Lock off
        {Qt::Key_Home, keypad, "", 89, "", "7"},  // keypad 7, Num Lock off
        {Qt::Key_Enter, keypad, "\r", 76, "", ""},
        {Qt::Key_Up, Qt::MetaModifier, "", 126, "m", ""},
        {Qt::Key_Space, none, " ", 49, "", " "},
        {Qt::Key_Adiaeresis, none, "ä", kOwnKeyCodeBase, "", "ä"},
    };
    for (const Row& r : rows) {
        const KeyEvent e = keyEventFromQt(QKeyEvent(QEvent::KeyPress, r.key, r.modifiers, r.text));
        const QByteArray where = QByteArray::number(r.key, 16) + ' ' + r.prefix;
        QVERIFY2(e.keyCode == r.code, where);
        const QString prefix(r.prefix);
        QVERIFY2(e.control == prefix.contains('c') && e.shift == prefix.contains('s') &&
                     e.option == prefix.contains('o') && e.command == prefix.contains('m'),
                 where);
        QVERIFY2(e.characters == std::optional<QString>(r.characters), where);
    }
}

void KeyTranslationTest::eventsWithScanCodeOffX11() {
    // Without X11 the scan code still names the key, and the characters and
    // modifiers come from the Qt event: German right of T with Control.
    const QKeyEvent z(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier, KEY_Y + 8, 0x7a, 0x4,
                      QStringLiteral("\x1a"));
    KeyEvent e = keyEventFromQt(z);
    QCOMPARE(int(e.keyCode), 16);
    QVERIFY(e.control && !e.shift && !e.option && !e.command);
    QCOMPARE(e.characters, std::optional<QString>(QStringLiteral("z")));

    // A key the table does not know keeps its own code.
    const QKeyEvent print(QEvent::KeyPress, Qt::Key_Print, Qt::NoModifier, KEY_SYSRQ + 8, 0xff61,
                          0);
    e = keyEventFromQt(print);
    QCOMPARE(int(e.keyCode), int(kOwnKeyCodeBase) + KEY_SYSRQ);
    QCOMPARE(e.characters, std::optional<QString>(QString()));
}

QTEST_GUILESS_MAIN(KeyTranslationTest)
#include "tst_key_translation.moc"
