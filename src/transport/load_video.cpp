#include "transport/load_video.h"

#include "platform/date_format.h"
#include "session/format.h"
#include "session/state.h"
#include "transport/goto_controller.h"
#include "transport/player_view.h"
#include "window/letterbox.h"

#include <QLabel>

namespace {

// Its address is the context token of the readiness observation.
const int videoContext = 0;

QPointer<videoObserver>& observerSlot() {
    static QPointer<videoObserver> observer;
    return observer;
}

} // namespace

videoObserver* VO() {
    return observerSlot();
}

videoObserver::videoObserver()
    : objectToObserve(savedState().playerView ? savedState().playerView->player() : nullptr) {
    if (!objectToObserve)
        return;
    Player* player = objectToObserve;
    registration_ = connect(player, &Player::statusChanged, this, [this, player] {
        observeValueForKeyPath(kp, player, player->status(), &videoContext);
    });
}

videoObserver::~videoObserver() {
    disconnect(registration_);
}

void videoObserver::observeValueForKeyPath(const QString&, QObject*, ItemStatus,
                                           const void* context) {
    if (context != &videoContext)
        return; // not this observation's: the base object has nothing to do
    Player* player = objectToObserve;
    if (!player || !player->hasCurrentItem() || player->status() != ItemStatus::ReadyToPlay)
        return;
    fixLetterbox(QStringLiteral("same"));
    emit fittedWindow();
}

void loadVideo(AVPlayerViewAcceptsDrop* playerView, const QUrl& videoURL) {
    if (!playerView)
        return;
    if (Player* player = playerView->player()) {
        player->pause();
        player->replaceCurrentItem(videoURL);
    } else if (std::unique_ptr<Player> made = makePlayer()) {
        Player* player = made.get();
        playerView->setPlayer(std::move(made));
        // The observer lives as long as the player it watches.
        auto* observer = new videoObserver();
        observer->setParent(player);
        observerSlot() = observer;
        player->replaceCurrentItem(videoURL);
    }

    stateDef& s = savedState();
    s.loadTime = QDateTime::currentDateTime();
    s.markTime = 0.0f;
    if (s.markDisplay)
        s.markDisplay->setText(formatFixed(double(s.markTime), 2));
    s.hopTotal = 0;
    if (s.codeDisplay)
        s.codeDisplay->setText(QString());
    if (s.gotoField)
        s.gotoField->setText(QString());
    s.resizesSinceLoad = 0;
}

void loadVideo(AVPlayerViewAcceptsDrop* playerView, const QString& videoURL) {
    const QUrl url(videoURL, QUrl::StrictMode);
    if (url.isEmpty() || !url.isValid())
        return;
    loadVideo(playerView, url);
}

void showLoadTime() {
    stateDef& s = savedState();
    if (s.tbTextBlock)
        s.tbTextBlock->setText(formatDate(s.loadTime, QStringLiteral("yyyy.MM.dd-HH.mm.ss")));
}
