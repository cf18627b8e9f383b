#include "session/key_recording.h"

#include "platform/date_format.h"
#include "session/format.h"
#include "session/key_names.h"
#include "session/state.h"
#include "session/text_units.h"
#include "session/transcript.h"
#include "transport/player_view.h"

#include <QLabel>

#include <algorithm>

namespace {

// Below this rate a player counts as stopped (compared in single precision).
constexpr float kPlayingThreshold = 0.0001f;

// Orders a character by the code points of its canonically decomposed form,
// the portable stand-in for a Unicode string comparison.
int compareDecomposed(const QString& a, const QString& b) {
    const QList<uint> x = a.normalized(QString::NormalizationForm_D).toUcs4();
    const QList<uint> y = b.normalized(QString::NormalizationForm_D).toUcs4();
    if (std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end()))
        return -1;
    if (std::lexicographical_compare(y.begin(), y.end(), x.begin(), x.end()))
        return 1;
    return 0;
}

QString codeName(const KeyEvent& E) {
    return QStringLiteral("code") + QString::number(E.keyCode);
}

} // namespace

QString modifierPrefix(const KeyEvent& E) {
    QString prefix;
    if (E.control)
        prefix += QStringLiteral("ctrl-");
    if (E.shift)
        prefix += QStringLiteral("shift-");
    if (E.option)
        prefix += QStringLiteral("option-");
    if (E.command)
        prefix += QStringLiteral("cmd-");
    return prefix;
}

QString keyNameFor(const KeyEvent& E) {
    if (auto name = keyName(E.keyCode))
        return *name;
    if (!E.characters)
        return codeName(E);
    const QString& chars = *E.characters;
    if (chars == QStringLiteral(" "))
        return QStringLiteral("space");
    if (chars.isEmpty())
        return codeName(E);
    const QString first = firstGrapheme(chars);
    if (compareDecomposed(first, QStringLiteral("2")) < 0 ||
        compareDecomposed(first, QStringLiteral("\u0127")) > 0)
        return codeName(E);
    return chars;
}

void recordKey(double t, const KeyEvent& E) {
    stateDef& state = savedState();
    const QString stamp = timeStampedLine(t, clockText(), QString());

    QString entry;
    Player* player = state.playerView ? state.playerView->player() : nullptr;
    if (E.keyCode == kKeySpace) {
        if (!player)
            return;
        if (player->rate() < kPlayingThreshold) {
            player->setRate(state.playAtRate);
            entry = QStringLiteral("play_x_") + formatFixed(state.playAtRate, 2);
        } else {
            player->setRate(0.0f);
            entry = QStringLiteral("stop");
        }
    } else if (E.keyCode == kKeyLeftArrow || E.keyCode == kKeyRightArrow) {
        if (!player)
            return;
        if (player->rate() < kPlayingThreshold) {
            state.playerView->superHandleKeyDown(E);
            return;
        }
        player->setRate(0.0f);
        entry = QStringLiteral("stop");
    } else {
        entry = modifierPrefix(E) + keyNameFor(E);
    }

    const QString line = stamp + entry;
    recordNote(line, t);
    if (state.codeDisplay)
        state.codeDisplay->setText(line);
}
