// Key events as an X server delivers them: the live keymap, native scan codes
// and state masks, the road through the recorder, and real key presses.
#include "platform/key_translation.h"
#include "platform/xkb_keymap.h"
#include "session/key_recording.h"
#include "session/state.h"
#include "support/test_helpers.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <linux/input-event-codes.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <vector>

namespace {

xcb_connection_t* xConnection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// A window that keeps what it makes of every key pressed in it.
class KeyCatcher : public QWidget {
public:
    struct Press {
        bool modifierOnly;
        quint32 scanCode;
        KeyEvent key;
    };
    std::vector<Press> presses;

    std::vector<Press> recorded() const {
        std::vector<Press> out;
        for (const Press& p : presses) {
            if (!p.modifierOnly)
                out.push_back(p);
        }
        return out;
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        presses.push_back(
            {isModifierOnlyKey(*event), event->nativeScanCode(), keyEventFromQt(*event)});
    }
};

} // namespace

class KeyEventsX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void liveKeymapIsTheServers();
    void x11Events();
    void keymapChangesAreFollowed();
    void realKeyPresses();
};

void KeyEventsX11Test::initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X display");
}

void KeyEventsX11Test::cleanup() {
    resetSession();
}

void KeyEventsX11Test::liveKeymapIsTheServers() {
    // The test server runs the US layout.
    const XkbLayout* layout = liveX11Layout();
    QVERIFY(layout);
    QCOMPARE(liveX11Layout(), layout); // kept, not rebuilt for every key
    QCOMPARE(layout->shiftOnlyText(KEY_A, false, 0), QStringLiteral("a"));
    QCOMPARE(layout->shiftOnlyText(KEY_3, true, 0), QStringLiteral("#"));
}

void KeyEventsX11Test::x11Events() {
    // Events as the X server delivers them: X key code (evdev + 8), keysym,
    // state mask; then the road through the recorder.
    struct Row {
        int key;
        Qt::KeyboardModifiers modifiers;
        int scanCode, keysym, state;
        QString text, characters, entry;
    };
    const auto none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
               keypad = Qt::KeypadModifier;
    const Row rows[] = {
        {Qt::Key_A, none, 38, 0x61, 0, "a", "a", "a"},
        {Qt::Key_A, shift, 38, 0x41, 0x1, "A", "A", "shift-A"},
        {Qt::Key_A, ctrl | shift, 38, 0x41, 0x5, "\x01", "A", "ctrl-shift-A"},
        {Qt::Key_X, Qt::AltModifier | Qt::MetaModifier, 53, 0x78, 0x48, "x", "x", "option-cmd-x"},
        {Qt::Key_NumberSign, shift, 12, 0x23, 0x1, "#", "#", "shift-code20"},
        {Qt::Key_NumberSign, ctrl | shift, 12, 0x23, 0x5, "", "#", "ctrl-shift-code20"},
        {Qt::Key_F5, none, 71, 0xffc2, 0, "", "", "F5"},
        {Qt::Key_5, keypad, 84, 0xffb5, 0x10, "5", "5", "5"}, // Num Lock on
        {Qt::Key_Clear, keypad, 84, 0xff9d, 0, "", "5", "5"}, // Num Lock off
        {Qt::Key_Enter, keypad, 104, 0xff8d, 0, "\r", "\r", "kp_enter"},
        {Qt::Key_Up, Qt::MetaModifier, 111, 0xff52, 0x40, "", "", "cmd-UpArrow"},
        {Qt::Key_A, none, 38, 0x41, 0x2, "A", "a", "a"}, // Caps Lock is ignored
        {Qt::Key_At, Qt::GroupSwitchModifier, 24, 0x40, 0x80, "@", "q", "option-q"}, // AltGr
        {Qt::Key_B, none, 56, 0x62, 0x4, "\x02", "b", "ctrl-b"}, // the state mask decides
        {Qt::Key_Print, none, 107, 0xff61, 0, "", "",
         QStringLiteral("code%1").arg(kOwnKeyCodeBase + KEY_SYSRQ)},
    };
    for (const Row& r : rows) {
        const QKeyEvent event(QEvent::KeyPress, r.key, r.modifiers, quint32(r.scanCode),
                              quint32(r.keysym), quint32(r.state), r.text);
        QVERIFY(!isModifierOnlyKey(event));
        const KeyEvent e = keyEventFromQt(event);
        QCOMPARE(e.characters, std::optional<QString>(r.characters));

        QPlainTextEdit script;
        QLabel echo;
        savedState().script = &script;
        savedState().codeDisplay = &echo;
        recordKey(12.3456, e);
        const QString line = echo.text();
        QCOMPARE(line.left(10), QStringLiteral("   12.35  "));
        QCOMPARE(line.mid(20), r.entry);
        QCOMPARE(script.toPlainText(), line + QLatin1Char('\n'));
        resetSession();
    }
}

void KeyEventsX11Test::keymapChangesAreFollowed() {
    // Gives a key without symbols a Cyrillic letter on the server, then takes
    // it back.
    xcb_connection_t* c = xConnection();
    QVERIFY(c);
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, std::uint8_t(count)), nullptr);
    QVERIFY(reply);
    const int perKeycode = reply->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    int unused = -1;
    for (int k = count - 1; k >= 0 && unused < 0; --k) {
        if (std::all_of(syms + k * perKeycode, syms + (k + 1) * perKeycode,
                        [](xcb_keysym_t s) { return s == 0; }))
            unused = setup->min_keycode + k;
    }
    free(reply);
    QVERIFY(unused >= 8);
    const xcb_keycode_t keycode = xcb_keycode_t(unused);
    const int evdev = unused - 8;
    QVERIFY(liveX11Layout());
    QCOMPARE(liveX11Layout()->shiftOnlyText(evdev, false, 0), QString());

    const xcb_keysym_t ef[] = {0x6c6, 0x6e6}; // Cyrillic_ef, Cyrillic_EF
    xcb_change_keyboard_mapping(c, 1, keycode, 2, ef);
    xcb_flush(c);
    QTRY_VERIFY_WITH_TIMEOUT(liveX11Layout() && liveX11Layout()->shiftOnlyText(evdev, false, 0) ==
                                                    QStringLiteral("ф"),
                             20000);
    QCOMPARE(liveX11Layout()->shiftOnlyText(evdev, true, 0), QStringLiteral("Ф"));

    const std::vector<xcb_keysym_t> none(std::size_t(perKeycode), 0);
    xcb_change_keyboard_mapping(c, 1, keycode, std::uint8_t(perKeycode), none.data());
    xcb_flush(c);
    QTRY_VERIFY_WITH_TIMEOUT(
        liveX11Layout() && liveX11Layout()->shiftOnlyText(evdev, false, 0).isEmpty(), 20000);
}

void KeyEventsX11Test::realKeyPresses() {
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        QSKIP("xdotool is not installed");
    KeyCatcher window;
    window.resize(200, 100);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    const QStringList keys{"a",        "shift+a",  "ctrl+shift+3", "F5",
                           "KP_Begin", "KP_Enter", "super+Up",     "alt+x"};
    QCOMPARE(QProcess::execute(xdotool, QStringList{"key", "--delay", "30"} + keys), 0);
    QTRY_COMPARE_WITH_TIMEOUT(int(window.recorded().size()), int(keys.size()), 20000);

    const std::vector<KeyCatcher::Press> presses = window.recorded();
    const int scanCodes[] = {38, 38, 12, 71, 84, 104, 111, 53};
    const QString entries[] = {"a", "shift-A",  "ctrl-shift-code20", "F5",
                               "5", "kp_enter", "cmd-UpArrow",       "option-x"};
    for (std::size_t i = 0; i < presses.size(); ++i) {
        QCOMPARE(int(presses[i].scanCode), scanCodes[i]);
        QCOMPARE(modifierPrefix(presses[i].key) + keyNameFor(presses[i].key), entries[i]);
    }
    QCOMPARE(presses[2].key.characters, std::optional<QString>(QStringLiteral("#")));
    // The modifier keys themselves arrived and were left out.
    QVERIFY(window.presses.size() >= presses.size() + 5);
}

QTEST_MAIN(KeyEventsX11Test)
#include "tst_key_events_x11.moc"
