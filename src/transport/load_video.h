#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class AVPlayerViewAcceptsDrop;
class Player;
enum class ItemStatus;

// Puts videoURL into the session's one player (creating it, and the readiness
// observer, on the first load) and resets the per-video session values: load
// time, mark (and its display), hop offset, echo and go-to fields, window
// fittings. The video stays paused at 0. A file that is missing or no video
// still resets the session; its item fails and nothing else happens.
// User-interface thread only.
void loadVideo(AVPlayerViewAcceptsDrop* playerView, const QUrl& videoURL);
// The same with the URL given as text in URL syntax ("file://" and a
// percent-encoded path); a text that is not a valid URL loads nothing.
void loadVideo(AVPlayerViewAcceptsDrop* playerView, const QString& videoURL);

// Shows savedState().loadTime as "yyyy.MM.dd-HH.mm.ss" in the status line.
void showLoadTime();

// Watches the session's player for its current item becoming ready to play,
// and then fits the window to the picture (fixLetterbox("same")). One exists,
// made by the first load and registered on that player for the player's life.
// User-interface thread only.
class videoObserver : public QObject {
    Q_OBJECT
public:
    // Observes the player of savedState().playerView; with none, nothing.
    videoObserver();
    ~videoObserver() override;

    // The change notification for keyPath on object; context tells this
    // observation apart from any other, and a foreign one is not acted on.
    void observeValueForKeyPath(const QString& keyPath, QObject* object, ItemStatus change,
                                const void* context);

    const QPointer<Player> objectToObserve;
    const QString kp = QStringLiteral("currentItem.status");

signals:
    // The window was fitted to a newly ready item.
    void fittedWindow();

private:
    QMetaObject::Connection registration_;
};

// The one readiness observer; nullptr before the first load.
videoObserver* VO();
