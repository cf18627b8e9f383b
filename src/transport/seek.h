#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Stops playback and seeks to the nearest millisecond. No player: nothing.
// User-interface thread only.
void seekToTime(double seconds);
// The go-to form: commas removed, then a whole, blank-free ASCII number. A
// text that is not accepted, or a number that is no time (not finite, or too
// large for a millisecond count), leaves the player alone.
void seekToTime(const QString& text);

// The number a go-to text stands for: every "," removed, then the text is
// accepted only if it is non-empty ASCII without white space that the C
// library's locale-independent conversion reads whole (sign, digits,
// fraction, exponent; also hexadecimal, infinity and not-a-number).
std::optional<double> parseGotoText(const QString& text);

// Seconds to whole milliseconds, halves upward (12.3456 -> 12346,
// -1.0 -> -1000); nullopt when not finite or out of the 64-bit range.
std::optional<std::int64_t> seekMilliseconds(double seconds);
