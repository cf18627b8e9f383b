#include "transport/stopwatch.h"

#include "platform/resources.h"
#include "session/state.h"
#include "transport/load_video.h"
#include "transport/player_view.h"

#include <QUrl>

QString placeholderUrlText(const QString& resourceFolder) {
    return QUrl::fromLocalFile(resourceFolder + QStringLiteral("/movie.mp4"))
        .toString(QUrl::FullyEncoded);
}

void stopwatchMode() {
    stateDef& s = savedState();
    loadVideo(s.playerView, placeholderUrlText(resourcePath()));
    s.loadTime = QDateTime::currentDateTime();
    if (s.playerView && s.playerView->window())
        s.playerView->window()->setWindowTitle(QStringLiteral("stopwatch"));
    s.vidBasename = QStringLiteral("stopwatch");
    showLoadTime();
}
