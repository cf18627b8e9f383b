#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QPlainTextEdit;
class AVPlayerViewAcceptsDrop;

// Marks, in a reopened session, the transcript line at the playhead (the
// last time-stamped line whose time is not after the player's current time)
// as the video plays, steps or seeks, and keeps it in sight unless the
// observer has scrolled the old mark out of sight to read. The lines' times
// come from the document's LineTimes.
//
// Thread rules: user-interface thread only.
class PlayheadMark : public QObject {
    Q_OBJECT
public:
    PlayheadMark(QPlainTextEdit* view, AVPlayerViewAcceptsDrop* playerView,
                 QObject* parent = nullptr);

    // The line marked now; -1 for none.
    long markedLine() const { return marked_; }
    // Looks at the playhead now (the timer does every refreshMs).
    void refresh();
    static constexpr int refreshMs = 40;

private:
    bool lineVisible(long line) const;

    QPointer<QPlainTextEdit> view_;
    QPointer<AVPlayerViewAcceptsDrop> playerView_;
    QTimer timer_;
    bool stale_ = true;
    long marked_ = -1;
};
