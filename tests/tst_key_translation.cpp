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

class KeyTranslationTest : public QObject {
    Q_OBJECT
private slots:
    void tableExamples_data();
    void tableExamples();
    void everyNamedKeyHasAPhysicalKey();
    void onlyAliasesShareACode();
    void namedKeysTypeTheirNamesOnAUsLayout();
    void otherKeysGetStableCodesOfTheirOwn();
    void layoutText_data();
    void layoutText();
    void layoutGroupsAreChosenByIndex();
    void modifierOnlyKeys_data();
    void modifierOnlyKeys();
    void eventsWithoutScanCode_data();
    void eventsWithoutScanCode();
    void eventsWithScanCodeOffX11();
};

void KeyTranslationTest::tableExamples_data() {
    QTest::addColumn<int>("evdev");
    QTest::addColumn<int>("code");
    const std::pair<int, int> examples[] = {
        {KEY_A, 0},           {KEY_3, 20},          {KEY_SPACE, 49},     {KEY_LEFT, 123},
        {KEY_KPENTER, 76},    {KEY_F5, 96},         {KEY_102ND, 10},     {KEY_NUMLOCK, 71},
        {KEY_KP0, 82},        {KEY_KP9, 92},        {KEY_KPDOT, 65},     {KEY_KPPLUS, 69},
        {KEY_KPMINUS, 78},    {KEY_KPASTERISK, 67}, {KEY_KPSLASH, 75},   {KEY_KPEQUAL, 81},
        {KEY_F1, 122},        {KEY_F12, 111},       {KEY_F13, 105},      {KEY_F16, 106},
        {KEY_F20, 90},        {KEY_INSERT, 114},    {KEY_HELP, 114},     {KEY_DELETE, 117},
        {KEY_HOME, 115},      {KEY_END, 119},       {KEY_PAGEUP, 116},   {KEY_PAGEDOWN, 121},
        {KEY_UP, 126},        {KEY_DOWN, 125},      {KEY_RIGHT, 124},    {KEY_LEFTCTRL, 59},
        {KEY_LEFTSHIFT, 56},  {KEY_LEFTALT, 58},    {KEY_LEFTMETA, 55},  {KEY_RIGHTMETA, 54},
        {KEY_RIGHTSHIFT, 60}, {KEY_RIGHTALT, 61},   {KEY_RIGHTCTRL, 62}, {KEY_CAPSLOCK, 57},
        {KEY_YEN, 93},        {KEY_RO, 94},         {KEY_KPCOMMA, 95},   {KEY_GRAVE, 50},
        {KEY_Y, 16},          {KEY_Z, 6},           {KEY_0, 29},         {KEY_1, 18},
    };
    for (auto [evdev, code] : examples)
        QTest::addRow("evdev %d", evdev) << evdev << code;
}

void KeyTranslationTest::tableExamples() {
    QFETCH(int, evdev);
    QFETCH(int, code);
    QCOMPARE(tableKeyCodeForEvdev(evdev), std::optional<std::uint16_t>(code));
    QCOMPARE(int(keyCodeForEvdev(evdev)), code);
}

void KeyTranslationTest::everyNamedKeyHasAPhysicalKey() {
    std::set<int> reachable;
    for (int evdev = 0; evdev <= KEY_MAX; ++evdev) {
        if (auto code = tableKeyCodeForEvdev(evdev))
            reachable.insert(*code);
    }
    for (auto it = mapKeyCodeToName().cbegin(); it != mapKeyCodeToName().cend(); ++it)
        QVERIFY2(reachable.count(it.key()), qPrintable(it.value()));
}

void KeyTranslationTest::onlyAliasesShareACode() {
    // Insert stands in for Help, and Linux has two keypad commas.
    std::map<int, std::set<int>> byCode;
    for (int evdev = 0; evdev <= KEY_MAX; ++evdev) {
        if (auto code = tableKeyCodeForEvdev(evdev))
            byCode[*code].insert(evdev);
    }
    for (const auto& [code, keys] : byCode) {
        if (code == 114)
            QCOMPARE(keys, (std::set<int>{KEY_INSERT, KEY_HELP}));
        else if (code == 95)
            QCOMPARE(keys, (std::set<int>{KEY_KPJPCOMMA, KEY_KPCOMMA}));
        else
            QVERIFY2(keys.size() == 1, qPrintable(QString::number(code)));
    }
    // Every letter and digit of the main block has its own position.
    QVERIFY(byCode.size() >= 100);
}

void KeyTranslationTest::namedKeysTypeTheirNamesOnAUsLayout() {
    // The physical key behind each named punctuation and digit code types
    // that character on a US layout.
    const std::pair<int, QString> named[] = {
        {18, "1"}, {29, "0"}, {27, "-"}, {39, "'"}, {43, ","},
        {47, "."}, {44, "/"}, {50, "`"}, {83, "1"}, {82, "0"},
    };
    for (const auto& [code, text] : named) {
        int found = 0;
        for (int evdev = 0; evdev <= KEY_MAX; ++evdev) {
            if (tableKeyCodeForEvdev(evdev) == std::optional<std::uint16_t>(code)) {
                QCOMPARE(shiftOnlyTextForLayout(evdev, false, QStringLiteral("us")), text);
                ++found;
            }
        }
        QCOMPARE(found, 1);
    }
}

void KeyTranslationTest::otherKeysGetStableCodesOfTheirOwn() {
    std::set<int> seen;
    for (int evdev : {int(KEY_SYSRQ), int(KEY_PAUSE), int(KEY_SCROLLLOCK), int(KEY_PLAYPAUSE),
                      int(KEY_F21), int(KEY_RESERVED)}) {
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

void KeyTranslationTest::layoutText_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("variant");
    QTest::addColumn<int>("evdev");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("shifted");
    QTest::newRow("us a") << "us"
                          << "" << int(KEY_A) << "a"
                          << "A";
    QTest::newRow("us 3") << "us"
                          << "" << int(KEY_3) << "3"
                          << "#";
    QTest::newRow("us slash") << "us"
                              << "" << int(KEY_SLASH) << "/"
                              << "?";
    QTest::newRow("us keypad 5") << "us"
                                 << "" << int(KEY_KP5) << "5"
                                 << "5";
    QTest::newRow("us F5") << "us"
                           << "" << int(KEY_F5) << ""
                           << "";
    QTest::newRow("de right of T") << "de"
                                   << "" << int(KEY_Y) << "z"
                                   << "Z";
    QTest::newRow("de left of X") << "de"
                                  << "" << int(KEY_Z) << "y"
                                  << "Y";
    QTest::newRow("de 3") << "de"
                          << "" << int(KEY_3) << "3"
                          << "§";
    QTest::newRow("de o umlaut") << "de"
                                 << "" << int(KEY_SEMICOLON) << "ö"
                                 << "Ö";
    QTest::newRow("de iso key") << "de"
                                << "" << int(KEY_102ND) << "<"
                                << ">";
    QTest::newRow("de dead acute") << "de"
                                   << "" << int(KEY_EQUAL) << "\u00B4"
                                   << "`";
    QTest::newRow("de keypad 8") << "de"
                                 << "" << int(KEY_KP8) << "8"
                                 << "8";
    QTest::newRow("fr a") << "fr"
                          << "" << int(KEY_Q) << "a"
                          << "A";
    QTest::newRow("fr dead circumflex") << "fr"
                                        << "" << int(KEY_LEFTBRACE) << "^"
                                        << "\u00A8";
    QTest::newRow("ru") << "ru"
                        << "" << int(KEY_A) << "ф"
                        << "Ф";
    QTest::newRow("us dvorak") << "us"
                               << "dvorak" << int(KEY_S) << "o"
                               << "O";
    QTest::newRow("unknown layout") << "no-such-layout"
                                    << "" << int(KEY_A) << ""
                                    << "";
    QTest::newRow("evdev out of range") << "us"
                                        << "" << 100000 << ""
                                        << "";
    QTest::newRow("negative evdev") << "us"
                                    << "" << -3 << ""
                                    << "";
}

void KeyTranslationTest::layoutText() {
    QFETCH(QString, layout);
    QFETCH(QString, variant);
    QFETCH(int, evdev);
    QFETCH(QString, plain);
    QFETCH(QString, shifted);
    QCOMPARE(shiftOnlyTextForLayout(evdev, false, layout, variant), plain);
    QCOMPARE(shiftOnlyTextForLayout(evdev, true, layout, variant), shifted);
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

void KeyTranslationTest::modifierOnlyKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("scanCode");
    QTest::addColumn<int>("keysym");
    QTest::addColumn<bool>("modifierOnly");
    QTest::newRow("shift") << int(Qt::Key_Shift) << 50 << 0xffe1 << true;
    QTest::newRow("control") << int(Qt::Key_Control) << 37 << 0xffe3 << true;
    QTest::newRow("alt") << int(Qt::Key_Alt) << 64 << 0xffe9 << true;
    QTest::newRow("altgr") << int(Qt::Key_AltGr) << 108 << 0xfe03 << true;
    QTest::newRow("super") << int(Qt::Key_Super_L) << 133 << 0xffeb << true;
    QTest::newRow("meta") << int(Qt::Key_Meta) << 0 << 0 << true;
    QTest::newRow("caps lock") << int(Qt::Key_CapsLock) << 66 << 0xffe5 << true;
    QTest::newRow("num lock") << int(Qt::Key_NumLock) << 77 << 0xff7f << true;
    QTest::newRow("scroll lock") << int(Qt::Key_ScrollLock) << 78 << 0xff14 << true;
    QTest::newRow("level 5 shift unknown to Qt") << 0 << 92 << 0xfe11 << true;
    QTest::newRow("shift key unknown to Qt") << int(Qt::Key_unknown) << 50 << 0 << true;
    QTest::newRow("caps lock as escape") << int(Qt::Key_Escape) << 66 << 0xff1b << false;
    QTest::newRow("a") << int(Qt::Key_A) << 38 << 0x61 << false;
    QTest::newRow("F5") << int(Qt::Key_F5) << 71 << 0xffc2 << false;
    QTest::newRow("synthetic a") << int(Qt::Key_A) << 0 << 0 << false;
    QTest::newRow("unknown key") << int(Qt::Key_unknown) << 0 << 0 << false;
}

void KeyTranslationTest::modifierOnlyKeys() {
    QFETCH(int, key);
    QFETCH(int, scanCode);
    QFETCH(int, keysym);
    QFETCH(bool, modifierOnly);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, quint32(scanCode), quint32(keysym),
                          0);
    QCOMPARE(isModifierOnlyKey(event), modifierOnly);
}

void KeyTranslationTest::eventsWithoutScanCode_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("prefix"); // c s o m for the four modifiers
    QTest::addColumn<QString>("characters");
    const int none = Qt::NoModifier;
    const int shift = Qt::ShiftModifier;
    const int ctrl = Qt::ControlModifier;
    const int keypad = Qt::KeypadModifier;
    QTest::newRow("a") << int(Qt::Key_A) << none << "a" << 0 << ""
                       << "a";
    QTest::newRow("shift a") << int(Qt::Key_A) << shift << "A" << 0 << "s"
                             << "A";
    QTest::newRow("ctrl a") << int(Qt::Key_A) << ctrl << "\x01" << 0 << "c"
                            << "a";
    QTest::newRow("ctrl shift a") << int(Qt::Key_A) << (ctrl | shift) << "\x01" << 0 << "cs"
                                  << "A";
    QTest::newRow("alt meta x") << int(Qt::Key_X) << int(Qt::AltModifier | Qt::MetaModifier) << "x"
                                << 7 << "om"
                                << "x";
    QTest::newRow("altgr q") << int(Qt::Key_Q) << int(Qt::GroupSwitchModifier) << "@" << 12 << "o"
                             << "q";
    QTest::newRow("shift 3") << int(Qt::Key_NumberSign) << shift << "#" << 20 << "s"
                             << "#";
    QTest::newRow("ctrl shift 3 no text")
        << int(Qt::Key_NumberSign) << (ctrl | shift) << "" << 20 << "cs"
        << "#";
    QTest::newRow("ctrl bracket") << int(Qt::Key_BracketLeft) << ctrl << "\x1b" << 33 << "c"
                                  << "[";
    QTest::newRow("F5") << int(Qt::Key_F5) << none << "" << 96 << ""
                        << "";
    QTest::newRow("keypad 5") << int(Qt::Key_5) << keypad << "5" << 87 << ""
                              << "5";
    QTest::newRow("keypad 5 num lock off") << int(Qt::Key_Clear) << keypad << "" << 87 << ""
                                           << "5";
    QTest::newRow("keypad 7 num lock off") << int(Qt::Key_Home) << keypad << "" << 89 << ""
                                           << "7";
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << keypad << "\r" << 76 << ""
                                  << "";
    QTest::newRow("keypad dot") << int(Qt::Key_Period) << keypad << "." << 65 << ""
                                << ".";
    QTest::newRow("home") << int(Qt::Key_Home) << none << "" << 115 << ""
                          << "";
    QTest::newRow("meta up") << int(Qt::Key_Up) << int(Qt::MetaModifier) << "" << 126 << "m"
                             << "";
    QTest::newRow("space") << int(Qt::Key_Space) << none << " " << 49 << ""
                           << " ";
    QTest::newRow("volume up") << int(Qt::Key_VolumeUp) << none << "" << 72 << ""
                               << "";
    QTest::newRow("no known position")
        << int(Qt::Key_Adiaeresis) << none << "ä" << int(kOwnKeyCodeBase) << ""
        << "ä";
}

void KeyTranslationTest::eventsWithoutScanCode() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(QString, prefix);
    QFETCH(QString, characters);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    const KeyEvent e = keyEventFromQt(event);
    QCOMPARE(int(e.keyCode), code);
    QCOMPARE(e.control, prefix.contains('c'));
    QCOMPARE(e.shift, prefix.contains('s'));
    QCOMPARE(e.option, prefix.contains('o'));
    QCOMPARE(e.command, prefix.contains('m'));
    QVERIFY(e.characters);
    QCOMPARE(*e.characters, characters);
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
