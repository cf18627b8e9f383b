#pragma once

#include <QString>
#include <QStringList>

// File > Export Data: the transcript on screen as behaviour data, written into
// the storage folder beside the transcript files:
//   <stem>--events.csv, <stem>--bouts.csv, <stem>--summary.csv,
//   <stem>--transitions.csv, <stem>--latency.csv and <stem>--timeline.svg,
// the stem being that of the session's transcript file. The storage folder's
// coding-scheme.txt gives the keys their meaning when it is there. Each file
// is written whole or not at all and replaces an earlier export of the same
// stem. Any failure (nothing time-stamped yet, a bad scheme, a file that
// cannot be written) raises one "Export Data" alert saying what went wrong,
// and no file is written after it. User-interface thread only.

inline constexpr QLatin1String kCodingSchemeFileName{"coding-scheme.txt"};

// Returns the paths written, in the order above; empty after a failure.
QStringList exportData();
