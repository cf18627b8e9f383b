#include "transport/player_view.h"

#include "platform/key_translation.h"
#include "session/key_recording.h"
#include "storage/revision.h"
#include "transport/open_file.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

AVPlayerViewAcceptsDrop::AVPlayerViewAcceptsDrop(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

AVPlayerViewAcceptsDrop::~AVPlayerViewAcceptsDrop() {
    // The video widget draws the player: let it go first.
    delete videoWidget_;
    videoWidget_ = nullptr;
    player_.reset();
}

void AVPlayerViewAcceptsDrop::setPlayer(std::unique_ptr<Player> player) {
    delete videoWidget_;
    videoWidget_ = nullptr;
    player_ = std::move(player);
    if (!player_)
        return;
    videoWidget_ = player_->createVideoWidget(this);
    if (videoWidget_) {
        // Keys and drops belong to this view, not to the picture inside it.
        videoWidget_->setFocusPolicy(Qt::NoFocus);
        videoWidget_->setAcceptDrops(false);
        layout()->addWidget(videoWidget_);
        videoWidget_->show();
    }
}

void AVPlayerViewAcceptsDrop::keyDown(const KeyEvent& E) {
    recordKey(playheadAtKey(player_.get(), E), E);
}

void AVPlayerViewAcceptsDrop::superHandleKeyDown(const KeyEvent& E) {
    if (!player_ || player_->rate() > 0.0f)
        return;
    if (E.keyCode == kKeyLeftArrow)
        player_->stepFrame(false);
    else if (E.keyCode == kKeyRightArrow)
        player_->stepFrame(true);
}

void AVPlayerViewAcceptsDrop::keyPressEvent(QKeyEvent* event) {
    if (isModifierOnlyKey(*event)) {
        event->ignore();
        return;
    }
    keyDown(keyEventFromQt(*event));
    event->accept();
}

void AVPlayerViewAcceptsDrop::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void AVPlayerViewAcceptsDrop::dragEnterEvent(QDragEnterEvent* event) {
    if (draggingEntered(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void AVPlayerViewAcceptsDrop::dragMoveEvent(QDragMoveEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void AVPlayerViewAcceptsDrop::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    // A transcript is reopened once the drop is over: reopening may ask where
    // the video is, which must not run inside the drop.
    if (const auto path = droppedVideoFile(data);
        path && transcriptDropped && looksLikeTranscript(*path)) {
        QTimer::singleShot(0, this, [this, p = *path] {
            if (transcriptDropped)
                transcriptDropped(p);
        });
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    if (prepareForDragOperation(data) && performDragOperation(data)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
