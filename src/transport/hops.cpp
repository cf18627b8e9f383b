#include "transport/hops.h"

#include "session/format.h"
#include "session/state.h"
#include "transport/player_view.h"
#include "transport/seek.h"

#include <QAbstractButton>

#include <algorithm>

namespace {

Player* currentPlayer() {
    AVPlayerViewAcceptsDrop* view = savedState().playerView;
    return view ? view->player() : nullptr;
}

void hopBy(std::int64_t delta) {
    Player* player = currentPlayer();
    if (!player)
        return;
    stateDef& s = savedState();
    player->setRate(0.0f);
    s.hopTotal += delta;
    seekToTime(s.hopTarget());
}

// Moves hopSize to the entry step places away in the list, if there is one.
void stepHopSize(int step) {
    stateDef& s = savedState();
    const auto at = std::find(s.hopList.begin(), s.hopList.end(), s.hopSize);
    if (at == s.hopList.end())
        return;
    const auto index = at - s.hopList.begin() + step;
    if (index < 0 || index >= std::ptrdiff_t(s.hopList.size()))
        return;
    s.hopSize = s.hopList[std::size_t(index)];
    relabelHopButtons();
}

} // namespace

void hopBack() {
    hopBy(-savedState().hopSize);
}

void hopAhead() {
    hopBy(savedState().hopSize);
}

void hopHome() {
    Player* player = currentPlayer();
    if (!player)
        return;
    player->setRate(0.0f);
    savedState().hopTotal = 0;
    seekToTime(savedState().hopTarget());
}

void hopFiner() {
    stepHopSize(-1);
}

void hopCoarser() {
    stepHopSize(+1);
}

QString hopSizeText(std::int64_t hopSizeMs) {
    // Single precision, as the size has always been shown.
    return formatFixed(double(float(hopSizeMs) / 1000.0f), 2);
}

void relabelHopButtons() {
    const stateDef& s = savedState();
    const QString size = hopSizeText(s.hopSize);
    if (s.backButton)
        s.backButton->setText(tapeSymbols().back + QLatin1Char(' ') + size);
    if (s.aheadButton)
        s.aheadButton->setText(size + QLatin1Char(' ') + tapeSymbols().play);
}
