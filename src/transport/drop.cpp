#include "transport/player_view.h"

#include <QMimeData>

// Placeholder until the opening-videos work lands.
bool AVPlayerViewAcceptsDrop::suitableContent(const QMimeData*) const { return true; }
bool AVPlayerViewAcceptsDrop::draggingEntered(const QMimeData* data) const {
    return suitableContent(data);
}
bool AVPlayerViewAcceptsDrop::prepareForDragOperation(const QMimeData*) { return false; }
bool AVPlayerViewAcceptsDrop::performDragOperation(const QMimeData*) { return false; }
