#pragma once

#include "session/key_event.h"

#include <QString>

#include <cstdint>
#include <optional>

class QKeyEvent;

// The virtual key code of a Linux evdev key code, where the key-name
// numbering has one; nothing otherwise.
std::optional<std::uint16_t> tableKeyCodeForEvdev(int evdev);

// The key code recorded for an evdev key: the table's code, else a stable
// code of its own (kOwnKeyCodeBase + evdev) that collides with no table code.
inline constexpr std::uint16_t kOwnKeyCodeBase = 0x1000;
std::uint16_t keyCodeForEvdev(int evdev);

// True for keys that only change modifiers or locks (Shift, Control, Alt,
// Super, Caps Lock, Num Lock, ...): they are not recorded.
bool isModifierOnlyKey(const QKeyEvent& event);

// Builds the recorder's key record from a Qt key event: the physical key from
// the native scan code (evdev + 8 under X11 and Wayland), the modifiers, and
// the characters with only Shift applied (from the live X11 keymap where
// there is one, else from the event). User-interface thread only.
KeyEvent keyEventFromQt(const QKeyEvent& event);

// The text that evdev key produces with only Shift (or nothing) applied in the
// layout named by the XKB rule names (for example "us", "de"); for tests and
// for platforms without a live keymap.
QString shiftOnlyTextForLayout(int evdev, bool shift, const QString& layout,
                               const QString& variant = {});
