#pragma once

#include <QString>

// printf-style "%<width>.<decimals>f" with "." as the decimal point whatever
// the locale; the width is a minimum, right-aligned with blanks.
// formatFixed(7.5, 2, 8) == "    7.50".
QString formatFixed(double value, int decimals, int width = 0);

// One transcript line without its line feed: the video time as "%8.2f  ",
// the clock text, two blanks and the entry.
QString timeStampedLine(double seconds, const QString& clock, const QString& entry);
