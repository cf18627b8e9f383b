#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Physical keys: Linux evdev key codes (linux/input-event-codes.h) against the
// virtual key numbering of the key-name table (the position of a key on an
// ANSI or ISO keyboard, whatever the layout). Pure functions, any thread.

// The virtual key code of an evdev key code, where the numbering has one;
// nothing otherwise.
std::optional<std::uint16_t> tableKeyCodeForEvdev(int evdev);

// The evdev code of the key that gives the Qt key `key` (a Qt::Key value) on
// a US layout; `keypad` tells that the event carried Qt::KeypadModifier. For
// key events that come without a native scan code (synthetic events, the
// offscreen platform). Nothing for keys without a known position.
std::optional<int> evdevForQtKey(int key, bool keypad);

// "0" to "9" for the keypad digit keys, whatever Num Lock says (the keypad
// digits are digits in the recorder's numbering); nothing for other keys.
std::optional<QString> keypadDigitText(int evdev);

// True for the evdev codes of modifier and lock keys (Shift, Control, Alt,
// Meta, Caps Lock, Num Lock, Scroll Lock, Fn).
bool isModifierEvdev(int evdev);
