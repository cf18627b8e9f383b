#pragma once

#include <QString>

// Starts the refresher of the tape counter and the excursion; it runs for
// the life of the process (a second call does nothing). Every period it reads
// the player's current time (0.0 without a player) and the mark and sets the
// two displays; the period is 0.05 s while one of the program's windows is
// active and 0.5 s otherwise. It is a timer on the user-interface thread:
// reading the player's time never waits for the engine, and the widgets
// are written where they live. User-interface thread only.
void tapeCounter();
// The refresher's current period in milliseconds; 0 before tapeCounter().
int tapeCounterPeriodMs();

// Sets the mark to the playhead (kept as a 32-bit float) and shows it with
// two decimals. No player: nothing. User-interface thread only.
void setMarkAtPlayhead();

// The tape counter's text for playhead t: "%8.2f".
QString counterText(double t);
// The excursion's text: t minus the mark widened to double, "%8.2f".
QString excursionText(double t, float markTime);
