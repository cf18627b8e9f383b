#pragma once

#include <QString>

// Stores rate as the play rate, applies it at once to a playing video (a
// stopped one stays stopped) and records "rate_set_to_" with it, two
// decimals, at the player's current time, also when stopped.
// User-interface thread only.
void setRate(float rate);
// Reads the number at the start of text as floatValue does: leading white
// space skipped, then an optional sign, digits with an optional decimal point
// and an optional exponent; the rest is ignored ("2x" -> 2.0, "x" -> 0.0).
float floatValue(const QString& text);
// The transcript entry for a new rate: "rate_set_to_" and two decimals.
QString rateEntry(float rate);
