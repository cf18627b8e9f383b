#pragma once

#include "platform/evdev_keycodes.h"
#include "session/key_event.h"

#include <QString>

#include <cstdint>

class QKeyEvent;

// The key code recorded for an evdev key: the table's code, else a stable
// code of its own (kOwnKeyCodeBase + evdev) that collides with no table code.
// Codes outside the evdev range give kOwnKeyCodeBase, a key of no known
// position. Pure, any thread.
inline constexpr std::uint16_t kOwnKeyCodeBase = 0x1000;
std::uint16_t keyCodeForEvdev(int evdev);

// True for keys that only change modifiers or locks (Shift, Control, Alt,
// AltGr, Super/Meta, Hyper, Caps Lock, Num Lock, Scroll Lock, the ISO level
// and group shifts): they are not recorded. Decided by the Qt key and the
// keysym; by the evdev code only when Qt does not know the key, so that a
// modifier key remapped to an ordinary key (Caps Lock as Escape) is recorded.
bool isModifierOnlyKey(const QKeyEvent& event);

// Builds the recorder's key record from a Qt key event:
// - the physical key from the native scan code (evdev + 8 under X11 and
//   Wayland); without one, from the Qt key as a US layout places it;
// - Control, Shift, Alt, Super/Meta as control, shift, option, command, and
//   AltGr (the right Alt key of many layouts) as option too; under X11 from
//   the X state mask of the event;
// - the characters with only Shift applied: keypad digits are always their
//   digit; under X11 from the live keymap in the event's group; elsewhere
//   from the event's text or key, lower-case unless Shift. A key that types
//   nothing gives "".
// User-interface thread only.
KeyEvent keyEventFromQt(const QKeyEvent& event);

// The characters keyEventFromQt gives for evdev key, with or without Shift,
// under the layout named by the XKB rule names (for example "us", "de";
// rules "evdev", model "pc105"); "" when the layout does not compile. Any
// thread.
QString shiftOnlyTextForLayout(int evdev, bool shift, const QString& layout,
                               const QString& variant = {});
