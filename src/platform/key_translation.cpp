#include "platform/key_translation.h"

#include "platform/event_time.h"

#include "platform/xkb_keymap.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <xkbcommon/xkbcommon-keysyms.h>

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace {

// Bits of the X key event state.
constexpr quint32 kXShift = 0x1;
constexpr quint32 kXControl = 0x4;
constexpr quint32 kXMod1 = 0x8;  // Alt
constexpr quint32 kXMod4 = 0x40; // Super
constexpr quint32 kXMod5 = 0x80; // AltGr (ISO level 3)
constexpr int kXGroupShift = 13; // the XKB group in bits 13 and 14

// X and Wayland key codes are evdev codes plus 8.
constexpr int kEvdevOffset = 8;

bool isModifierQtKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

bool isModifierKeysym(quint32 sym) {
    return (sym >= XKB_KEY_Shift_L && sym <= XKB_KEY_Hyper_R) ||
           (sym >= XKB_KEY_ISO_Lock && sym <= XKB_KEY_ISO_Level5_Lock) ||
           sym == XKB_KEY_Mode_switch || sym == XKB_KEY_Num_Lock || sym == XKB_KEY_Scroll_Lock;
}

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void setModifiersFromX11(KeyEvent& e, quint32 state) {
    e.control = state & kXControl;
    e.shift = state & kXShift;
    e.option = state & (kXMod1 | kXMod5);
    e.command = state & kXMod4;
}

void setModifiersFromQt(KeyEvent& e, Qt::KeyboardModifiers mods) {
    e.control = mods.testFlag(Qt::ControlModifier);
    e.shift = mods.testFlag(Qt::ShiftModifier);
    e.option = mods.testAnyFlags(Qt::AltModifier | Qt::GroupSwitchModifier);
    e.command = mods.testFlag(Qt::MetaModifier);
}

bool isPrintable(const QString& text) {
    const QList<uint> codePoints = text.toUcs4();
    for (uint c : codePoints) {
        if (!QChar::isPrint(char32_t(c)))
            return false;
    }
    return !codePoints.isEmpty();
}

// The characters with only Shift applied, as far as the Qt event tells them:
// a letter key by its letter, else the event's text when it is printable
// (Control turns letters into control characters), else the character the
// Qt key names.
QString textFromQt(const QKeyEvent& event, bool shift) {
    const int key = event.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const QChar letter(key);
        return shift ? QString(letter) : QString(letter.toLower());
    }
    const QString text = event.text();
    if (isPrintable(text))
        return text;
    if (key >= Qt::Key_Space && key < Qt::Key_Escape && QChar::isPrint(char32_t(key))) {
        const char32_t c = char32_t(key);
        const QString s = QString::fromUcs4(&c, 1);
        return shift ? s : s.toLower();
    }
    return QString();
}

} // namespace

std::uint16_t keyCodeForEvdev(int evdev) {
    if (auto code = tableKeyCodeForEvdev(evdev))
        return *code;
    if (evdev < 0 || evdev > 0xffff - kOwnKeyCodeBase)
        return kOwnKeyCodeBase;
    return std::uint16_t(kOwnKeyCodeBase + evdev);
}

bool isModifierOnlyKey(const QKeyEvent& event) {
    if (isModifierQtKey(event.key()))
        return true;
    if (event.nativeScanCode() == 0)
        return false;
    if (isModifierKeysym(event.nativeVirtualKey()))
        return true;
    const bool unknownToQt = event.key() == 0 || event.key() == Qt::Key_unknown;
    return unknownToQt && isModifierEvdev(int(event.nativeScanCode()) - kEvdevOffset);
}

KeyEvent keyEventFromQt(const QKeyEvent& event) {
    const bool native = event.nativeScanCode() != 0;
    const int evdev =
        native ? int(event.nativeScanCode()) - kEvdevOffset
               : evdevForQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier))
                     .value_or(0);
    const bool x11 = native && onX11();

    KeyEvent e;
    e.keyCode = keyCodeForEvdev(evdev);
    e.pressedAt = eventMoment(event.timestamp(), monotonicSeconds());
    // A real X event carries its state; Qt's modifiers agree with it then.
    // Events made up with a scan code but no state fall back to Qt's.
    if (x11 && event.nativeModifiers() != 0)
        setModifiersFromX11(e, event.nativeModifiers());
    else
        setModifiersFromQt(e, event.modifiers());

    if (auto digit = keypadDigitText(evdev)) {
        e.characters = *digit;
        return e;
    }
    const XkbLayout* layout = x11 ? liveX11Layout() : nullptr;
    if (layout) {
        const unsigned group = (event.nativeModifiers() >> kXGroupShift) & 0x3;
        e.characters = layout->shiftOnlyText(evdev, e.shift, group);
    } else {
        e.characters = textFromQt(event, e.shift);
    }
    return e;
}

QString shiftOnlyTextForLayout(int evdev, bool shift, const QString& layout,
                               const QString& variant) {
    if (auto digit = keypadDigitText(evdev))
        return *digit;
    // Compiling a keymap takes milliseconds: keep each one asked for.
    static std::mutex mutex;
    static std::map<std::pair<QString, QString>, std::unique_ptr<XkbLayout>> layouts;
    const std::lock_guard<std::mutex> lock(mutex);
    const auto key = std::make_pair(layout, variant);
    auto it = layouts.find(key);
    if (it == layouts.end())
        it = layouts.emplace(key, XkbLayout::fromNames(layout, variant)).first;
    return it->second ? it->second->shiftOnlyText(evdev, shift, 0) : QString();
}
