#pragma once

#include <QMainWindow>

#include <functional>

// The program's one window. Closing it asks the close guard first (the
// delegate saves the transcript there and may keep the window open); Tab
// never moves the focus away from a view that records keys; and key presses
// that no widget took go to the stray-key handler.
//
// Thread rules: user-interface thread only.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Answers whether a close request may go ahead; none set: always.
    void setCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }
    // Widgets whose keys are all recorded, Tab included.
    void setRecordingViews(QList<QWidget*> views) { recordingViews_ = std::move(views); }
    // Receives the key presses that reached the window unhandled.
    void setStrayKeyHandler(std::function<void(QKeyEvent*)> handler) {
        strayKeyHandler_ = std::move(handler);
    }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<bool()> closeGuard_;
    QList<QWidget*> recordingViews_;
    std::function<void(QKeyEvent*)> strayKeyHandler_;
};
