#include "transport/seek.h"

#include "session/state.h"
#include "transport/player_view.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

// The "C" locale, made once, for conversions that must not follow the user's.
locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

} // namespace

std::optional<double> parseGotoText(const QString& text) {
    QString rest = text;
    rest.remove(QLatin1Char(','));
    if (rest.isEmpty())
        return std::nullopt;
    for (QChar c : rest)
        if (c.unicode() > 0x7f || isBlank(c.unicode()))
            return std::nullopt;
    const QByteArray ascii = rest.toLatin1();
    char* end = nullptr;
    const double value = strtod_l(ascii.constData(), &end, cLocale());
    if (end != ascii.constData() + ascii.size())
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> seekMilliseconds(double seconds) {
    const double ms = std::floor(seconds * 1000.0 + 0.5);
    // The doubles at or beyond 2^63 do not fit, nor do those below -2^63.
    if (!std::isfinite(ms) || ms >= 9223372036854775808.0 || ms < -9223372036854775808.0)
        return std::nullopt;
    return std::int64_t(ms);
}

void seekToTime(double seconds) {
    AVPlayerViewAcceptsDrop* view = savedState().playerView;
    Player* player = view ? view->player() : nullptr;
    if (!player)
        return;
    player->setRate(0.0f);
    if (const std::optional<std::int64_t> ms = seekMilliseconds(seconds))
        player->seekTo(*ms);
}

void seekToTime(const QString& text) {
    const std::optional<double> seconds = parseGotoText(text);
    if (!seconds || !seekMilliseconds(*seconds))
        return;
    seekToTime(*seconds);
}
