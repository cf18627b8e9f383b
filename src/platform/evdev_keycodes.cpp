#include "platform/evdev_keycodes.h"

#include <Qt>

#include <linux/input-event-codes.h>

#include <array>
#include <stdexcept>

namespace {

struct KeyPair {
    int evdev;
    std::uint16_t code;
};

// Every key of ANSI, ISO and JIS keyboards, the keypad, F1 to F20 and the
// navigation block, by evdev code, with its virtual key code.
// clang-format off
constexpr KeyPair kPairs[] = {
    // Letters.
    {KEY_A, 0}, {KEY_S, 1}, {KEY_D, 2}, {KEY_F, 3}, {KEY_H, 4}, {KEY_G, 5},
    {KEY_Z, 6}, {KEY_X, 7}, {KEY_C, 8}, {KEY_V, 9}, {KEY_B, 11}, {KEY_Q, 12},
    {KEY_W, 13}, {KEY_E, 14}, {KEY_R, 15}, {KEY_Y, 16}, {KEY_T, 17}, {KEY_O, 31},
    {KEY_U, 32}, {KEY_I, 34}, {KEY_P, 35}, {KEY_L, 37}, {KEY_J, 38}, {KEY_K, 40},
    {KEY_N, 45}, {KEY_M, 46},
    // Main-row digits.
    {KEY_1, 18}, {KEY_2, 19}, {KEY_3, 20}, {KEY_4, 21}, {KEY_6, 22}, {KEY_5, 23},
    {KEY_9, 25}, {KEY_7, 26}, {KEY_8, 28}, {KEY_0, 29},
    // Punctuation, including the ISO key beside the left Shift.
    {KEY_EQUAL, 24}, {KEY_MINUS, 27}, {KEY_RIGHTBRACE, 30}, {KEY_LEFTBRACE, 33},
    {KEY_APOSTROPHE, 39}, {KEY_SEMICOLON, 41}, {KEY_BACKSLASH, 42}, {KEY_COMMA, 43},
    {KEY_SLASH, 44}, {KEY_DOT, 47}, {KEY_GRAVE, 50}, {KEY_102ND, 10},
    // Editing and whitespace.
    {KEY_ENTER, 36}, {KEY_TAB, 48}, {KEY_SPACE, 49}, {KEY_BACKSPACE, 51}, {KEY_ESC, 53},
    // Modifiers; Fn is the function key of compact keyboards.
    {KEY_RIGHTMETA, 54}, {KEY_LEFTMETA, 55}, {KEY_LEFTSHIFT, 56}, {KEY_CAPSLOCK, 57},
    {KEY_LEFTALT, 58}, {KEY_LEFTCTRL, 59}, {KEY_RIGHTSHIFT, 60}, {KEY_RIGHTALT, 61},
    {KEY_RIGHTCTRL, 62}, {KEY_FN, 63},
    // Keypad; Num Lock sits where the keypad's Clear key is.
    {KEY_KPDOT, 65}, {KEY_KPASTERISK, 67}, {KEY_KPPLUS, 69}, {KEY_NUMLOCK, 71},
    {KEY_KPSLASH, 75}, {KEY_KPENTER, 76}, {KEY_KPMINUS, 78}, {KEY_KPEQUAL, 81},
    {KEY_KP0, 82}, {KEY_KP1, 83}, {KEY_KP2, 84}, {KEY_KP3, 85}, {KEY_KP4, 86},
    {KEY_KP5, 87}, {KEY_KP6, 88}, {KEY_KP7, 89}, {KEY_KP8, 91}, {KEY_KP9, 92},
    // Function keys.
    {KEY_F1, 122}, {KEY_F2, 120}, {KEY_F3, 99}, {KEY_F4, 118}, {KEY_F5, 96},
    {KEY_F6, 97}, {KEY_F7, 98}, {KEY_F8, 100}, {KEY_F9, 101}, {KEY_F10, 109},
    {KEY_F11, 103}, {KEY_F12, 111}, {KEY_F13, 105}, {KEY_F14, 107}, {KEY_F15, 113},
    {KEY_F16, 106}, {KEY_F17, 64}, {KEY_F18, 79}, {KEY_F19, 80}, {KEY_F20, 90},
    // Navigation block; Insert takes the place of Help.
    {KEY_INSERT, 114}, {KEY_HELP, 114}, {KEY_HOME, 115}, {KEY_PAGEUP, 116},
    {KEY_DELETE, 117}, {KEY_END, 119}, {KEY_PAGEDOWN, 121}, {KEY_LEFT, 123},
    {KEY_RIGHT, 124}, {KEY_DOWN, 125}, {KEY_UP, 126},
    // Volume keys and the context-menu key.
    {KEY_VOLUMEUP, 72}, {KEY_VOLUMEDOWN, 73}, {KEY_MUTE, 74}, {KEY_COMPOSE, 110},
    // JIS keys: Yen, Ro, keypad comma, and the Eisu and Kana keys (reported by
    // Linux as Hanja and Hangeul).
    {KEY_YEN, 93}, {KEY_RO, 94}, {KEY_KPCOMMA, 95}, {KEY_KPJPCOMMA, 95},
    {KEY_HANJA, 102}, {KEY_HANGEUL, 104},
};
// clang-format on

constexpr int kMaxEvdev = KEY_FN;

// Dense lookup by evdev code; -1 where there is no key. Built at compile time,
// which also rejects an evdev code listed twice.
constexpr std::array<int, kMaxEvdev + 1> kTable = [] {
    std::array<int, kMaxEvdev + 1> table{};
    table.fill(-1);
    for (const KeyPair& p : kPairs) {
        if (p.evdev < 0 || p.evdev > kMaxEvdev || table[std::size_t(p.evdev)] != -1)
            throw std::logic_error("evdev code out of range or listed twice");
        table[std::size_t(p.evdev)] = p.code;
    }
    return table;
}();

// The US layout: a key's character alone and with Shift. Qt names a letter
// key by its capital.
struct UsKey {
    int evdev;
    char plain;
    char shifted;
};

// clang-format off
constexpr UsKey kUsKeys[] = {
    {KEY_GRAVE, '`', '~'}, {KEY_1, '1', '!'}, {KEY_2, '2', '@'}, {KEY_3, '3', '#'},
    {KEY_4, '4', '$'}, {KEY_5, '5', '%'}, {KEY_6, '6', '^'}, {KEY_7, '7', '&'},
    {KEY_8, '8', '*'}, {KEY_9, '9', '('}, {KEY_0, '0', ')'}, {KEY_MINUS, '-', '_'},
    {KEY_EQUAL, '=', '+'}, {KEY_LEFTBRACE, '[', '{'}, {KEY_RIGHTBRACE, ']', '}'},
    {KEY_BACKSLASH, '\\', '|'}, {KEY_SEMICOLON, ';', ':'}, {KEY_APOSTROPHE, '\'', '"'},
    {KEY_COMMA, ',', '<'}, {KEY_DOT, '.', '>'}, {KEY_SLASH, '/', '?'},
    {KEY_A, 'a', 'A'}, {KEY_B, 'b', 'B'}, {KEY_C, 'c', 'C'}, {KEY_D, 'd', 'D'},
    {KEY_E, 'e', 'E'}, {KEY_F, 'f', 'F'}, {KEY_G, 'g', 'G'}, {KEY_H, 'h', 'H'},
    {KEY_I, 'i', 'I'}, {KEY_J, 'j', 'J'}, {KEY_K, 'k', 'K'}, {KEY_L, 'l', 'L'},
    {KEY_M, 'm', 'M'}, {KEY_N, 'n', 'N'}, {KEY_O, 'o', 'O'}, {KEY_P, 'p', 'P'},
    {KEY_Q, 'q', 'Q'}, {KEY_R, 'r', 'R'}, {KEY_S, 's', 'S'}, {KEY_T, 't', 'T'},
    {KEY_U, 'u', 'U'}, {KEY_V, 'v', 'V'}, {KEY_W, 'w', 'W'}, {KEY_X, 'x', 'X'},
    {KEY_Y, 'y', 'Y'}, {KEY_Z, 'z', 'Z'},
};
// clang-format on

std::optional<int> keypadEvdevForQtKey(int key) {
    switch (key) {
    case Qt::Key_0:
    case Qt::Key_Insert:
        return KEY_KP0;
    case Qt::Key_1:
    case Qt::Key_End:
        return KEY_KP1;
    case Qt::Key_2:
    case Qt::Key_Down:
        return KEY_KP2;
    case Qt::Key_3:
    case Qt::Key_PageDown:
        return KEY_KP3;
    case Qt::Key_4:
    case Qt::Key_Left:
        return KEY_KP4;
    case Qt::Key_5:
    case Qt::Key_Clear:
        return KEY_KP5;
    case Qt::Key_6:
    case Qt::Key_Right:
        return KEY_KP6;
    case Qt::Key_7:
    case Qt::Key_Home:
        return KEY_KP7;
    case Qt::Key_8:
    case Qt::Key_Up:
        return KEY_KP8;
    case Qt::Key_9:
    case Qt::Key_PageUp:
        return KEY_KP9;
    case Qt::Key_Period:
    case Qt::Key_Comma:
    case Qt::Key_Delete:
        return KEY_KPDOT;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        return KEY_KPENTER;
    case Qt::Key_Plus:
        return KEY_KPPLUS;
    case Qt::Key_Minus:
        return KEY_KPMINUS;
    case Qt::Key_Asterisk:
        return KEY_KPASTERISK;
    case Qt::Key_Slash:
        return KEY_KPSLASH;
    case Qt::Key_Equal:
        return KEY_KPEQUAL;
    default:
        return std::nullopt;
    }
}

std::optional<int> namedEvdevForQtKey(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10)
        return KEY_F1 + (key - Qt::Key_F1);
    if (key == Qt::Key_F11 || key == Qt::Key_F12)
        return KEY_F11 + (key - Qt::Key_F11);
    if (key >= Qt::Key_F13 && key <= Qt::Key_F24)
        return KEY_F13 + (key - Qt::Key_F13);
    switch (key) {
    case Qt::Key_Escape:
        return KEY_ESC;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return KEY_TAB;
    case Qt::Key_Backspace:
        return KEY_BACKSPACE;
    case Qt::Key_Return:
        return KEY_ENTER;
    case Qt::Key_Enter:
        return KEY_KPENTER;
    case Qt::Key_Space:
        return KEY_SPACE;
    case Qt::Key_Insert:
        return KEY_INSERT;
    case Qt::Key_Delete:
        return KEY_DELETE;
    case Qt::Key_Help:
        return KEY_HELP;
    case Qt::Key_Home:
        return KEY_HOME;
    case Qt::Key_End:
        return KEY_END;
    case Qt::Key_PageUp:
        return KEY_PAGEUP;
    case Qt::Key_PageDown:
        return KEY_PAGEDOWN;
    case Qt::Key_Left:
        return KEY_LEFT;
    case Qt::Key_Right:
        return KEY_RIGHT;
    case Qt::Key_Up:
        return KEY_UP;
    case Qt::Key_Down:
        return KEY_DOWN;
    case Qt::Key_Clear: // the key at the keypad's Clear position
        return KEY_NUMLOCK;
    case Qt::Key_Print:
    case Qt::Key_SysReq:
        return KEY_SYSRQ;
    case Qt::Key_Pause:
        return KEY_PAUSE;
    case Qt::Key_Menu:
        return KEY_COMPOSE;
    case Qt::Key_Shift:
        return KEY_LEFTSHIFT;
    case Qt::Key_Control:
        return KEY_LEFTCTRL;
    case Qt::Key_Alt:
        return KEY_LEFTALT;
    case Qt::Key_AltGr:
        return KEY_RIGHTALT;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
        return KEY_LEFTMETA;
    case Qt::Key_Super_R:
        return KEY_RIGHTMETA;
    case Qt::Key_CapsLock:
        return KEY_CAPSLOCK;
    case Qt::Key_NumLock:
        return KEY_NUMLOCK;
    case Qt::Key_ScrollLock:
        return KEY_SCROLLLOCK;
    case Qt::Key_VolumeUp:
        return KEY_VOLUMEUP;
    case Qt::Key_VolumeDown:
        return KEY_VOLUMEDOWN;
    case Qt::Key_VolumeMute:
        return KEY_MUTE;
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaTogglePlayPause:
        return KEY_PLAYPAUSE;
    case Qt::Key_MediaStop:
        return KEY_STOPCD;
    case Qt::Key_MediaPrevious:
        return KEY_PREVIOUSSONG;
    case Qt::Key_MediaNext:
        return KEY_NEXTSONG;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::uint16_t> tableKeyCodeForEvdev(int evdev) {
    if (evdev < 0 || evdev > kMaxEvdev)
        return std::nullopt;
    const int code = kTable[std::size_t(evdev)];
    if (code < 0)
        return std::nullopt;
    return std::uint16_t(code);
}

std::optional<int> evdevForQtKey(int key, bool keypad) {
    if (keypad) {
        if (auto evdev = keypadEvdevForQtKey(key))
            return evdev;
    }
    if (auto evdev = namedEvdevForQtKey(key))
        return evdev;
    for (const UsKey& k : kUsKeys) {
        const int plainKey = (k.plain >= 'a' && k.plain <= 'z') ? k.shifted : k.plain;
        if (key == plainKey || key == k.shifted)
            return k.evdev;
    }
    return std::nullopt;
}

std::optional<QString> keypadDigitText(int evdev) {
    switch (evdev) {
    case KEY_KP0:
        return QStringLiteral("0");
    case KEY_KP1:
        return QStringLiteral("1");
    case KEY_KP2:
        return QStringLiteral("2");
    case KEY_KP3:
        return QStringLiteral("3");
    case KEY_KP4:
        return QStringLiteral("4");
    case KEY_KP5:
        return QStringLiteral("5");
    case KEY_KP6:
        return QStringLiteral("6");
    case KEY_KP7:
        return QStringLiteral("7");
    case KEY_KP8:
        return QStringLiteral("8");
    case KEY_KP9:
        return QStringLiteral("9");
    default:
        return std::nullopt;
    }
}

bool isModifierEvdev(int evdev) {
    switch (evdev) {
    case KEY_LEFTCTRL:
    case KEY_RIGHTCTRL:
    case KEY_LEFTSHIFT:
    case KEY_RIGHTSHIFT:
    case KEY_LEFTALT:
    case KEY_RIGHTALT:
    case KEY_LEFTMETA:
    case KEY_RIGHTMETA:
    case KEY_CAPSLOCK:
    case KEY_NUMLOCK:
    case KEY_SCROLLLOCK:
    case KEY_FN:
        return true;
    default:
        return false;
    }
}
