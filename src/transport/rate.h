#pragma once

#include <QString>

// Stores rate as the play rate, applies it at once to a playing video and
// records "rate_set_to_" with it. User-interface thread only.
void setRate(float rate);
// Reads the number at the start of text as floatValue does ("2x" -> 2.0,
// "x" -> 0.0).
float floatValue(const QString& text);
