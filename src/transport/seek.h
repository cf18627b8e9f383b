#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Stops playback and seeks to the nearest millisecond. No player: nothing.
void seekToTime(double seconds);
// The go-to form: commas removed, then a whole, blank-free ASCII number.
// A text that is not accepted leaves the playhead where it is.
void seekToTime(const QString& text);
