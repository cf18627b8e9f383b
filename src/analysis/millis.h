#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Times are whole milliseconds, so that a stamp written exactly on an interval
// bound lies on it; text is converted without passing through a float.

// "-12.35", "3", "0.001" as milliseconds; nothing for anything else (more than
// three decimals, no digits before the point, a value beyond a billion
// seconds).
std::optional<qint64> parseMillis(QStringView text);

// Seconds with three decimals and "." whatever the locale: 12350 gives
// "12.350", -5 gives "-0.005".
QString formatMillis(qint64 ms);

// A ratio with three decimals ("0.667"), never "-0.000".
QString formatRatio(double value);
