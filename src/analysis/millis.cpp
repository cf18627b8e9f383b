#include "analysis/millis.h"

#include <cmath>

namespace {
constexpr qint64 kMaxSeconds = 1'000'000'000;
} // namespace

std::optional<qint64> parseMillis(QStringView text) {
    qsizetype i = 0;
    const bool negative = i < text.size() && text[i] == QLatin1Char('-');
    if (negative)
        ++i;
    qint64 seconds = 0;
    const qsizetype digitsStart = i;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        seconds = seconds * 10 + (text[i].unicode() - '0');
        if (seconds > kMaxSeconds)
            return std::nullopt;
    }
    if (i == digitsStart)
        return std::nullopt;
    qint64 fraction = 0;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        int decimals = 0;
        for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i, ++decimals) {
            if (decimals == 3)
                return std::nullopt;
            fraction = fraction * 10 + (text[i].unicode() - '0');
        }
        for (; decimals < 3; ++decimals)
            fraction *= 10;
    }
    if (i != text.size())
        return std::nullopt;
    const qint64 ms = seconds * 1000 + fraction;
    return negative ? -ms : ms;
}

QString formatMillis(qint64 ms) {
    const qint64 magnitude = ms < 0 ? -ms : ms;
    return QStringLiteral("%1%2.%3")
        .arg(ms < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 1000)
        .arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}

QString formatRatio(double value) {
    if (std::fabs(value) < 0.0005)
        value = 0.0;
    return QString::number(value, 'f', 3);
}
