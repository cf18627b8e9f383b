#pragma once

#include "analysis/coding.h"
#include "window/timeline_geometry.h"

#include <QByteArray>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <limits>
#include <optional>
#include <vector>

class Player;
class QFileSystemWatcher;
class QMainWindow;

// The timeline strip: one row per behaviour, state bouts as bars (an active
// one up to the playhead), points as ticks, and the playhead, drawn from the
// transcript view's lines as they are now through the analysis library's
// coding, so that it shows what Export Data writes. A click goes to the
// clicked time as the go-to field does; the wheel zooms around the pointer;
// the tooltip names what is under the pointer, or why nothing is drawn.
//
// Each change notes which blocks it touched; reading them, the coding and
// the drawing follow after the event that made it (a queued call). A line added at the end
// costs one coding step and the drawing of its own bar or tick, so that
// recording stays fast on long transcripts; an edit higher up codes the
// transcript again from the lines already read. The strip never takes the keyboard focus and never
// raises an alert: a scheme that cannot be read keeps the drawing of the last good one and says why
// in the status line and the tooltip.
//
// Thread rules: user-interface thread only.
class TimelineStrip : public QWidget {
    Q_OBJECT
public:
    explicit TimelineStrip(QWidget* parent = nullptr);
    ~TimelineStrip() override;

    // The transcript view whose lines are drawn; followed from now on.
    void setTranscript(QPlainTextEdit* view);
    // Where the playhead and the video's length come from; nullptr: none.
    void setPlayerSource(std::function<Player*()> source);
    // Called with the seconds of a click; by default goToTime.
    void setGoTo(std::function<void(double seconds)> goTo) { goTo_ = std::move(goTo); }
    // Where the scheme problems are told, besides the tooltip.
    void setStatusLine(QLabel* status) { status_ = status; }
    // The coding scheme file, read now and again whenever it changes on disk.
    void setSchemeFile(const QString& path);

    // Codes the lines changed since the last time now rather than later.
    void refresh();
    // Reads the playhead now (the strip also does so 20 times a second).
    void followPlayer();

    // Shows a stretch of the video (kept within it); the whole: unzoomed.
    void setShown(const TimeWindow& shown);

    const Coding& coding() const { return coder_.coding(); }
    int rowCount() const { return int(coding().behaviours.size()); }
    StripAxis axis() const;
    // The band that holds the rows.
    QRectF rowsBand() const;
    double playheadMs() const { return playheadMs_; }
    // Why nothing, or not all, is drawn; empty when all is well.
    QString problem() const { return problem_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The strip's height changed while shown (rows came or went).
    void heightChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void documentChanged(int position, int added);
    void readScheme();
    void watchScheme();
    void recode();
    void updateProblem();
    void updateHeight();
    TimeWindow whole() const;
    // Draws into the cache what it lacks; all of it when its shape changed.
    void updateCache();
    void drawRows(QPainter& painter, std::size_t firstBout, std::size_t firstEvent);
    QString describeAt(const QPoint& point) const;
    QString keysOf(int behaviour) const;

    QPointer<QPlainTextEdit> view_;
    std::function<Player*()> player_;
    std::function<void(double)> goTo_;
    QPointer<QLabel> status_;

    // The scheme and the coding.
    QString schemePath_;
    QByteArray schemeBytes_;
    bool schemeRead_ = false;
    CodingScheme scheme_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer schemeSettle_;
    QString schemeProblem_, statusRemark_;
    QString problem_;

    // One entry per block of the document: its stamp, if it has one, once read.
    struct Line {
        std::optional<StampedLine> stamp;
        bool read = false;
    };
    std::vector<Line> lines_;
    bool rescan_ = true; // lines_ must be read afresh from the document
    int dirtyFrom_ = std::numeric_limits<int>::max(); // the first block not coded as it is
    int lastFed_ = -1; // the last block whose stamp went to the coder
    Coder coder_;
    int generation_ = 0;         // counts the codings started afresh
    bool refreshPosted_ = false; // a call of refresh is queued

    // The view.
    double playheadMs_ = 0.0;
    double durationMs_ = 0.0;
    bool zoomed_ = false;
    TimeWindow shown_;
    QTimer playheadTimer_;

    // What the cache holds: closed bouts and points up to these counts.
    QPixmap cache_;
    struct CacheShape {
        QSize size;
        qreal ratio = 0;
        TimeWindow shown;
        int rows = -1, generation = -1;
        bool operator==(const CacheShape& o) const {
            return size == o.size && ratio == o.ratio && shown.from == o.shown.from &&
                   shown.to == o.shown.to && rows == o.rows && generation == o.generation;
        }
    } cacheShape_;
    std::size_t cachedBouts_ = 0, cachedEvents_ = 0;
    std::vector<std::size_t> openWhenCached_; // bouts left out while they were open
    int labelWidth_ = 0;
};

// Puts a strip between the window's picture (its child "player") and what
// follows it, adds Window > Show Timeline (no shortcut) to hide it, and keeps
// the picture's size when the strip's height changes. Returns the strip;
// nullptr when the window has no picture.
TimelineStrip* installTimelineStrip(QMainWindow* window, QPlainTextEdit* transcript,
                                    QLabel* status);
