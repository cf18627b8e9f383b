#pragma once

#include "session/key_event.h"
#include "transport/player.h"

#include <QWidget>

#include <functional>
#include <memory>

class QMimeData;

// The video view. It owns the session's one player (none until the first
// load), shows its picture, records every key pressed in it, and takes video
// files dropped on it.
//
// Thread rules: user-interface thread only.
class AVPlayerViewAcceptsDrop : public QWidget {
    Q_OBJECT
public:
    explicit AVPlayerViewAcceptsDrop(QWidget* parent = nullptr);
    ~AVPlayerViewAcceptsDrop() override;

    Player* player() const { return player_.get(); }
    // Takes the player and shows its picture. Set once, by the first load.
    void setPlayer(std::unique_ptr<Player> player);

    // Records E at the time it arrived (0.0 without a player).
    void keyDown(const KeyEvent& E);
    // The view's own key handling, bypassing keyDown: the left and right
    // arrows step one frame back and forward while the video is stopped.
    void superHandleKeyDown(const KeyEvent& E);

    // Reopens a transcript dropped on the view (called once the drop is
    // over); without it a transcript is taken as any other file.
    std::function<void(const QString& path)> transcriptDropped;

    // Drop handling, called from the Qt drag events.
    bool suitableContent(const QMimeData* data) const;
    bool draggingEntered(const QMimeData* data) const;
    bool prepareForDragOperation(const QMimeData* data);
    bool performDragOperation(const QMimeData* data);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::unique_ptr<Player> player_;
    QWidget* videoWidget_ = nullptr;
};
