#include "session/key_recording.h"

#include "platform/date_format.h"
#include "platform/event_time.h"
#include "session/format.h"
#include "session/key_names.h"
#include "session/state.h"
#include "session/text_units.h"
#include "session/transcript.h"
#include "transport/player_view.h"

#include <QLabel>

#include <algorithm>
#include <cmath>

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

namespace {

// The transport key handled last: when it went down and was handled, and
// the state it left. A key that went down in between (while the interface
// was busy) finds that state, as the observer produced it.
struct LastTransport {
    double pressedAt = 0.0;
    double handledAt = 0.0;
    bool playing = false;
    double time = 0.0;
};

LastTransport& lastTransport() {
    static LastTransport last;
    return last;
}

bool inLastTransport(const KeyEvent& E) {
    const LastTransport& last = lastTransport();
    return E.pressedAt > 0.0 && E.pressedAt >= last.pressedAt && E.pressedAt < last.handledAt;
}

bool playingWhenPressed(const Player& player, const KeyEvent& E) {
    if (inLastTransport(E))
        return lastTransport().playing;
    if (E.pressedAt > 0.0)
        return player.playingAt(E.pressedAt);
    return player.rate() >= kPlayingThreshold;
}

void noteTransport(const KeyEvent& E, bool playing, double t) {
    if (E.pressedAt > 0.0)
        lastTransport() = {E.pressedAt, monotonicSeconds(), playing, t};
}

// Stops the player at the time the key was stamped with, so that the stop
// line, the picture and the keys coded next agree even when the playhead
// moved on after the key went down (the player takes the picture back only
// when a later frame reached the screen meanwhile).
void stopAt(Player& player, const KeyEvent& E, double t) {
    player.stopAt(t);
    noteTransport(E, false, t);
}

// The wall clock when the key went down.
QDateTime pressMoment(const KeyEvent& E) {
    const QDateTime now = QDateTime::currentDateTime();
    if (!(E.pressedAt > 0.0))
        return now;
    return now.addMSecs(-std::llround(std::max(0.0, monotonicSeconds() - E.pressedAt) * 1000.0));
}

} // namespace

double playheadAtKey(const Player* player, const KeyEvent& E) {
    if (!player)
        return 0.0;
    if (inLastTransport(E) && !lastTransport().playing)
        return lastTransport().time;
    return E.pressedAt > 0.0 ? player->timeAt(E.pressedAt) : player->currentTime();
}

void recordKey(double t, const KeyEvent& E) {
    stateDef& state = savedState();
    const QString stamp = timeStampedLine(t, clockText(pressMoment(E)), QString());

    QString entry;
    Player* player = state.playerView ? state.playerView->player() : nullptr;
    if (E.keyCode == kKeySpace) {
        if (!player)
            return;
        if (!playingWhenPressed(*player, E)) {
            player->setRate(state.playAtRate);
            noteTransport(E, true, t);
            entry = QStringLiteral("play_x_") + formatFixed(state.playAtRate, 2);
        } else {
            stopAt(*player, E, t);
            entry = QStringLiteral("stop");
        }
    } else if (E.keyCode == kKeyLeftArrow || E.keyCode == kKeyRightArrow) {
        if (!player)
            return;
        if (!playingWhenPressed(*player, E)) {
            // Keys that went down after this step and are handled after it
            // have the frame it goes to.
            state.playerView->superHandleKeyDown(E);
            noteTransport(E, false, player->currentTime());
            return;
        }
        stopAt(*player, E, t);
        entry = QStringLiteral("stop");
    } else {
        entry = modifierPrefix(E) + keyNameFor(E);
    }

    const QString line = stamp + entry;
    recordNote(line, t);
    if (state.codeDisplay)
        state.codeDisplay->setText(line);
}
