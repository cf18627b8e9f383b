#pragma once

#include "session/key_event.h"

#include <QString>

class Player;

// Turns one key press at video time t (seconds) into one transcript line.
// The space bar plays at playAtRate or stops; the left and right arrows stop a
// playing video and, while it is stopped, go to the player view's own
// handling without a line. Every other key is recorded under its modifier
// prefix and name. User-interface thread only; needs savedState().playerView
// and the transcript widgets.
// The line's wall clock is the key's own moment (E.pressedAt). Playing or
// stopped is decided by the state when the key went down, so that keys
// pressed while the interface was busy keep the order and times of their
// presses; a stop handled late takes the picture back to its stamped time.
void recordKey(double t, const KeyEvent& E);

// The video time for a key: the player's playhead when the key went down
// (now when its moment is unknown), or the stop time of a stop key that went
// down before it and was handled after it; 0 without a player.
double playheadAtKey(const Player* player, const KeyEvent& E);

// The modifier prefix in its fixed order: "ctrl-", "shift-", "option-", "cmd-".
QString modifierPrefix(const KeyEvent& E);

// The key's name: the table's name, else a name from its characters, else
// "code" and the key code.
QString keyNameFor(const KeyEvent& E);
