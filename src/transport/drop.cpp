#include "storage/transcript_file.h"
#include "transport/load_video.h"
#include "transport/open_file.h"
#include "transport/player_view.h"

#include "session/state.h"

#include <QMimeData>
#include <QUrl>

// The drop side of the player view: a video file dropped from a file manager
// ends the session of the current video and starts one for the dropped file.

bool AVPlayerViewAcceptsDrop::suitableContent(const QMimeData* data) const {
    // Only a drop that names a local file is taken; anything else is refused
    // before the current transcript is touched.
    return droppedVideoFile(data).has_value();
}

bool AVPlayerViewAcceptsDrop::draggingEntered(const QMimeData* data) const {
    return suitableContent(data);
}

bool AVPlayerViewAcceptsDrop::prepareForDragOperation(const QMimeData* data) {
    if (!suitableContent(data))
        return false;
    // A transcript that could not be written stays on screen with its own
    // video: the drop is refused rather than mixing two sessions' lines.
    return saveAndClearScript();
}

bool AVPlayerViewAcceptsDrop::performDragOperation(const QMimeData* data) {
    const std::optional<QString> path = droppedVideoFile(data);
    if (!path)
        return false;
    loadVideo(this, QUrl::fromLocalFile(*path));
    rememberVideoFolder(*path);
    const QString base = videoBaseName(*path);
    if (!isWindow())
        window()->setWindowTitle(base);
    savedState().vidBasename = base;
    // loadVideo has just stamped the load time.
    showLoadTime();
    window()->raise();
    window()->activateWindow();
    return true;
}
