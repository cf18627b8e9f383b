#pragma once

#include "session/key_event.h"

#include <QString>

// Turns one key press at video time t (seconds) into one transcript line.
// The space bar plays at playAtRate or stops; the left and right arrows stop a
// playing video and, while it is stopped, go to the player view's own
// handling without a line. Every other key is recorded under its modifier
// prefix and name. User-interface thread only; needs savedState().playerView
// and the transcript widgets.
void recordKey(double t, const KeyEvent& E);

// The modifier prefix in its fixed order: "ctrl-", "shift-", "option-", "cmd-".
QString modifierPrefix(const KeyEvent& E);

// The key's name: the table's name, else a name from its characters, else
// "code" and the key code.
QString keyNameFor(const KeyEvent& E);
