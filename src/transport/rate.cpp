#include "transport/rate.h"

#include "session/format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "transport/player_view.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

float floatValue(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    std::string number;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        if (text.at(i) == QLatin1Char('-'))
            number += '-';
        ++i;
    }
    qsizetype digits = 0;
    while (i < n && isDigit(text.at(i))) {
        number += char(text.at(i).unicode());
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        number += '.';
        ++i;
        while (i < n && isDigit(text.at(i))) {
            number += char(text.at(i).unicode());
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0f;
    // An exponent counts only with at least one digit after its sign.
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-'))) {
            exponent += char(text.at(j).unicode());
            ++j;
        }
        if (j < n && isDigit(text.at(j))) {
            while (j < n && isDigit(text.at(j))) {
                exponent += char(text.at(j).unicode());
                ++j;
            }
            number += exponent;
        }
    }
    // Out of range gives infinity or zero with the sign.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtof_l(number.c_str(), nullptr, c);
}

QString rateEntry(float rate) {
    return QStringLiteral("rate_set_to_") + formatFixed(double(rate), 2);
}

void setRate(float rate) {
    stateDef& s = savedState();
    s.playAtRate = rate;
    Player* player = s.playerView ? s.playerView->player() : nullptr;
    if (player && player->rate() > 0.0f)
        player->setRate(rate);
    recordTimedNote(-1.0, rateEntry(rate));
}
