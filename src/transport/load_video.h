#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class AVPlayerViewAcceptsDrop;
class Player;

// Puts videoURL into the session's one player (creating it, and the readiness
// observer, on the first load) and resets the per-video session values. The
// video stays paused at 0. User-interface thread only.
void loadVideo(AVPlayerViewAcceptsDrop* playerView, const QUrl& videoURL);
// The same with the URL given as text in URL syntax ("file://" and a
// percent-encoded path); a text that is not a valid URL loads nothing.
void loadVideo(AVPlayerViewAcceptsDrop* playerView, const QString& videoURL);

// Shows savedState().loadTime as "yyyy.MM.dd-HH.mm.ss" in the status line.
void showLoadTime();
