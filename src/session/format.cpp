#include "session/format.h"

#include <array>
#include <charconv>
#include <cmath>

QString formatFixed(double value, int decimals, int width) {
    QString text;
    if (std::isnan(value)) {
        text = std::signbit(value) ? QStringLiteral("-nan") : QStringLiteral("nan");
    } else if (std::isinf(value)) {
        text = value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    } else {
        // Large enough for any double in fixed notation (DBL_MAX has 309 digits).
        std::array<char, 400> buffer{};
        auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, decimals);
        if (ec != std::errc())
            return QString();
        text = QString::fromLatin1(buffer.data(), int(end - buffer.data()));
    }
    if (text.size() < width)
        text.prepend(QString(width - text.size(), QLatin1Char(' ')));
    return text;
}

QString timeStampedLine(double seconds, const QString& clock, const QString& entry) {
    return formatFixed(seconds, 2, 8) + QStringLiteral("  ") + clock + QStringLiteral("  ") + entry;
}
