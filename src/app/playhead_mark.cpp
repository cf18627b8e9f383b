#include "app/playhead_mark.h"

#include "app/reopen.h"
#include "session/line_times.h"
#include "transport/player_view.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

PlayheadMark::PlayheadMark(QPlainTextEdit* view, AVPlayerViewAcceptsDrop* playerView,
                           QObject* parent)
    : QObject(parent), view_(view), playerView_(playerView) {
    connect(view->document(), &QTextDocument::contentsChanged, this, [this] { stale_ = true; });
    connect(&timer_, &QTimer::timeout, this, &PlayheadMark::refresh);
    timer_.start(refreshMs);
}

bool PlayheadMark::lineVisible(long line) const {
    const QTextBlock block = view_->document()->findBlockByNumber(int(line));
    if (!block.isValid())
        return false;
    const QRect r = view_->cursorRect(QTextCursor(block));
    return r.bottom() >= 0 && r.top() <= view_->viewport()->height();
}

void PlayheadMark::refresh() {
    if (!view_)
        return;
    Player* player = playerView_ ? playerView_->player() : nullptr;
    if (!inReopenedSession() || !player) {
        if (marked_ >= 0) {
            marked_ = -1;
            view_->setExtraSelections({});
        }
        stale_ = true;
        return;
    }
    // A change of the text moves the blocks: draw the mark again.
    const bool redraw = stale_;
    stale_ = false;
    const long line = lineTimesOf(view_->document()).lineAt(player->currentTime());
    if (line == marked_ && !redraw)
        return;
    // The view follows the playhead while the old mark is in sight.
    const bool follow = marked_ < 0 || lineVisible(marked_);
    marked_ = line;
    QList<QTextEdit::ExtraSelection> marks;
    if (line >= 0) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(view_->document()->findBlockByNumber(int(line)));
        mark.format.setBackground(QColor(255, 230, 150));
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks << mark;
        if (follow && !lineVisible(line)) {
            // The plain text view scrolls by lines: put the mark mid-view,
            // leaving the observer's cursor where it is.
            const int rows =
                view_->viewport()->height() / qMax(1, view_->fontMetrics().lineSpacing());
            view_->verticalScrollBar()->setValue(qMax(0, int(line) - rows / 2));
        }
    }
    view_->setExtraSelections(marks);
}
