#pragma once

// Shared set-up of the bench programs that drive the libmpv player.

#include "platform/mpv_player.h"
#include "session/state.h"
#include "transport/player_view.h"

#include <QEventLoop>
#include <QTimer>
#include <QUrl>

namespace bench {

// Puts a libmpv player with the given output into view, makes it the
// session's player view and loads path. Returns the player, or nullptr when
// the item did not become ready within timeoutMs.
inline MpvPlayer* loadInto(AVPlayerViewAcceptsDrop* view, MpvPlayer::VideoOutput output,
                           const QString& path, int timeoutMs = 20000) {
    auto owned = std::make_unique<MpvPlayer>(output);
    MpvPlayer* player = owned.get();
    view->setPlayer(std::move(owned));
    savedState().playerView = view;
    player->replaceCurrentItem(QUrl::fromLocalFile(path));
    QEventLoop loop;
    QObject::connect(player, &MpvPlayer::settled, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!player->isSettled())
        loop.exec();
    return player->status() == ItemStatus::ReadyToPlay ? player : nullptr;
}

// Runs the event loop until player reports settled() or timeoutMs passed;
// false on the time limit.
inline bool waitSettled(MpvPlayer* player, int timeoutMs) {
    QEventLoop loop;
    bool settled = false;
    auto c = QObject::connect(player, &MpvPlayer::settled, &loop, [&] {
        settled = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
    return settled;
}

} // namespace bench
