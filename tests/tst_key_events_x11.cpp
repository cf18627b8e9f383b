// Key events as an X server delivers them (native scan code, keysym and state
// mask) against the live keymap, which follows changes made on the server.
#include "platform/key_translation.h"
#include "platform/xkb_keymap.h"
#include "session/key_recording.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QtTest>

#include <linux/input-event-codes.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <vector>

class KeyEventsX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display");
        // The test server runs the US layout; the live keymap is kept, not rebuilt.
        QVERIFY(liveX11Layout() && liveX11Layout() == liveX11Layout());
    }

    void x11Events() {
        const auto none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        const struct {
            int key;
            Qt::KeyboardModifiers modifiers;
            int scanCode, keysym, state;
            QString text, characters, entry;
        } rows[] = {
            {Qt::Key_A, ctrl | shift, 38, 0x41, 0x5, "\x01", "A", "ctrl-shift-A"},
            {Qt::Key_X, Qt::AltModifier | Qt::MetaModifier, 53, 0x78, 0x48, "x", "x",
             "option-cmd-x"},
            {Qt::Key_NumberSign, ctrl | shift, 12, 0x23, 0x5, "", "#", "ctrl-shift-code20"},
            {Qt::Key_Clear, Qt::KeypadModifier, 84, 0xff9d, 0, "", "5", "5"}, // Num Lock off
            {Qt::Key_A, none, 38, 0x41, 0x2, "A", "a", "a"}, // Caps Lock is ignored
            {Qt::Key_At, Qt::GroupSwitchModifier, 24, 0x40, 0x80, "@", "q", "option-q"}, // AltGr
            {Qt::Key_B, none, 56, 0x62, 0x4, "\x02", "b", "ctrl-b"}, // the state mask decides
            {Qt::Key_Print, none, 107, 0xff61, 0, "", "",
             QStringLiteral("code%1").arg(kOwnKeyCodeBase + KEY_SYSRQ)}};
        for (const auto& r : rows) {
            const QKeyEvent event(QEvent::KeyPress, r.key, r.modifiers, quint32(r.scanCode),
                                  quint32(r.keysym), quint32(r.state), r.text);
            QVERIFY(!isModifierOnlyKey(event));
            const KeyEvent e = keyEventFromQt(event);
            QCOMPARE(e.characters, std::optional<QString>(r.characters));
            QCOMPARE(modifierPrefix(e) + keyNameFor(e), r.entry);
        }
    }

    void keymapChangesAreFollowed() {
        // The last key without symbols gets a Cyrillic letter on the server, then loses it.
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* c = x11 ? x11->connection() : nullptr;
        QVERIFY(c);
        const xcb_setup_t* setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            c, xcb_get_keyboard_mapping(c, setup->min_keycode, std::uint8_t(count)), nullptr);
        QVERIFY(reply);
        const int perKeycode = reply->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        int k = count - 1;
        while (k >= 0 && std::any_of(syms + k * perKeycode, syms + (k + 1) * perKeycode,
                                     [](xcb_keysym_t s) { return s != 0; }))
            --k;
        free(reply);
        const int unused = setup->min_keycode + k;
        QVERIFY(k >= 0 && unused >= 8);
        const auto textIs = [evdev = unused - 8](bool shifted, const QString& text) {
            return liveX11Layout() && liveX11Layout()->shiftOnlyText(evdev, shifted, 0) == text;
        };
        QVERIFY(textIs(false, QString()));
        const std::vector<xcb_keysym_t> ef{0x6c6, 0x6e6}, none(std::size_t(perKeycode), 0);
        const std::tuple<const std::vector<xcb_keysym_t>&, QString, QString> changes[] = {
            {ef, "ф", "Ф"}, {none, "", ""}}; // Cyrillic_ef and Cyrillic_EF, then nothing
        for (const auto& [keysyms, plain, shifted] : changes) {
            xcb_change_keyboard_mapping(c, 1, xcb_keycode_t(unused), std::uint8_t(keysyms.size()),
                                        keysyms.data());
            xcb_flush(c);
            QTRY_VERIFY_WITH_TIMEOUT(textIs(false, plain), 20000);
            QVERIFY(textIs(true, shifted));
        }
    }
};

QTEST_MAIN(KeyEventsX11Test)
#include "tst_key_events_x11.moc"
