#include "window/timeline_strip.h"

#include "analysis/millis.h"
#include "analysis/timeline.h"
#include "storage/storage_folder.h"
#include "transport/goto_controller.h"
#include "transport/player.h"
#include "transport/player_view.h"

#include <QAction>
#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHelpEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Up to six rows at the height of a line of text; more share that room.
constexpr int kTop = 3, kRight = 8, kAxis = 16, kMaxRowsShown = 6, kLabelGap = 8;
constexpr int kSmallestLabel = 9; // pixels
constexpr int kLabelsMin = 48, kLabelsMax = 160;
const QColor kGround(38, 38, 38), kText(220, 220, 220), kFaint(255, 255, 255, 28);

int rowPixels(const QFontMetrics& metrics) {
    return std::max(14, metrics.height() + 1);
}

QString seconds(double ms) {
    return formatMillis(qint64(std::llround(ms)));
}

} // namespace

TimelineStrip::TimelineStrip(QWidget* parent)
    : QWidget(parent), goTo_([](double s) { goToTime(s); }), coder_(CodingScheme{}) {
    setObjectName(QStringLiteral("timelineStrip"));
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Timeline"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Editors save in bursts (truncate, write, rename): read once they are done.
    schemeSettle_.setSingleShot(true);
    schemeSettle_.setInterval(150);
    connect(&schemeSettle_, &QTimer::timeout, this, &TimelineStrip::readScheme);
    playheadTimer_.setInterval(50);
    connect(&playheadTimer_, &QTimer::timeout, this, &TimelineStrip::followPlayer);
    updateHeight();
    updateProblem();
}

TimelineStrip::~TimelineStrip() = default;

void TimelineStrip::setTranscript(QPlainTextEdit* view) {
    if (view_)
        disconnect(view_->document(), nullptr, this, nullptr);
    view_ = view;
    if (view_)
        connect(view_->document(), &QTextDocument::contentsChange, this,
                [this](int position, int, int added) { documentChanged(position, added); });
    rescan_ = true;
    documentChanged(0, 0);
}

void TimelineStrip::setPlayerSource(std::function<Player*()> source) {
    player_ = std::move(source);
    followPlayer();
}

void TimelineStrip::setSchemeFile(const QString& path) {
    schemePath_ = path;
    schemeRead_ = false;
    readScheme();
}

void TimelineStrip::documentChanged(int position, int added) {
    if (!refreshPosted_) {
        refreshPosted_ = true;
        QMetaObject::invokeMethod(this, &TimelineStrip::refresh, Qt::QueuedConnection);
    }
    if (!view_ || rescan_) {
        rescan_ = true;
        return;
    }
    // The blocks from the one holding the change's start to the one holding
    // its end are new; they stand for as many old ones as the count says.
    // They are read later, with the coding, to keep the key path short.
    const QTextDocument* document = view_->document();
    const int count = document->blockCount();
    const QTextBlock first = document->findBlock(position);
    const QTextBlock end = document->findBlock(position + added);
    const int from = first.isValid() ? first.blockNumber() : count - 1;
    const int to = end.isValid() ? end.blockNumber() : count - 1;
    const int gone = (to - from + 1) + (int(lines_.size()) - count);
    if (from < 0 || to < from || gone < 0 || from + gone > int(lines_.size())) {
        rescan_ = true;
        return;
    }
    const auto at = lines_.begin() + from;
    const std::size_t fresh = std::size_t(to - from + 1);
    if (at + gone == lines_.end()) {
        lines_.resize(std::size_t(from));
        lines_.resize(std::size_t(from) + fresh);
    } else {
        lines_.erase(at, at + gone);
        lines_.insert(lines_.begin() + from, fresh, Line{});
    }
    dirtyFrom_ = std::min(dirtyFrom_, from);
}

void TimelineStrip::watchScheme() {
    if (schemePath_.isEmpty())
        return;
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        connect(watcher_, &QFileSystemWatcher::fileChanged, &schemeSettle_,
                qOverload<>(&QTimer::start));
        connect(watcher_, &QFileSystemWatcher::directoryChanged, &schemeSettle_,
                qOverload<>(&QTimer::start));
    }
    // A file replaced by a rename drops out of the watch; the folder may
    // appear later than the strip.
    const QString folder = QFileInfo(schemePath_).absolutePath();
    if (watcher_->directories().isEmpty() && QFileInfo(folder).isDir())
        watcher_->addPath(folder);
    if (watcher_->files().isEmpty() && QFileInfo(schemePath_).isFile())
        watcher_->addPath(schemePath_);
}

void TimelineStrip::readScheme() {
    watchScheme();
    if (schemePath_.isEmpty())
        return;
    std::optional<CodingScheme> scheme = CodingScheme{};
    QByteArray bytes;
    Failure failure;
    if (QFileInfo::exists(schemePath_)) {
        std::optional<QByteArray> read = readWholeFile(schemePath_, &failure);
        scheme = read ? parseScheme(schemePath_, *read, &failure) : std::nullopt;
        if (read)
            bytes = std::move(*read);
    }
    if (!scheme) {
        // Keep drawing with the last good scheme.
        schemeProblem_ =
            QStringLiteral("%1 (the timeline keeps the scheme read before)").arg(failure.text());
        updateProblem();
        return;
    }
    schemeProblem_.clear();
    const bool same = schemeRead_ && bytes == schemeBytes_ && scheme->given == scheme_.given;
    schemeRead_ = true;
    schemeBytes_ = bytes;
    if (!same) {
        scheme_ = std::move(*scheme);
        dirtyFrom_ = 0;
        lastFed_ = std::numeric_limits<int>::max(); // all afresh
        refresh();
    } else {
        updateProblem();
    }
}

void TimelineStrip::refresh() {
    refreshPosted_ = false;
    if (view_ && int(lines_.size()) != view_->document()->blockCount())
        rescan_ = true; // a change the bookkeeping could not follow
    if (rescan_) {
        rescan_ = false;
        lines_.assign(view_ ? std::size_t(view_->document()->blockCount()) : 0, Line{});
        dirtyFrom_ = 0;
    }
    if (dirtyFrom_ == std::numeric_limits<int>::max())
        return;
    const int from = dirtyFrom_;
    dirtyFrom_ = std::numeric_limits<int>::max();
    if (view_) {
        QTextBlock b = view_->document()->findBlockByNumber(from);
        for (std::size_t i = std::size_t(from); i < lines_.size() && b.isValid(); ++i, b = b.next())
            if (!lines_[i].read)
                lines_[i] = Line{stampedLine(b.text(), int(i) + 1), true};
    }
    int start = from;
    if (from <= lastFed_) {
        // A line already coded changed: code all again.
        coder_ = Coder(scheme_);
        ++generation_;
        lastFed_ = -1;
        start = 0;
    }
    for (std::size_t i = std::size_t(start); i < lines_.size(); ++i) {
        std::optional<StampedLine>& stamp = lines_[i].stamp;
        if (!stamp)
            continue;
        stamp->line = int(i) + 1;
        coder_.addStamp(*stamp);
        lastFed_ = int(i);
    }
    if (!zoomed_)
        shown_ = whole();
    updateHeight();
    updateProblem();
    update();
}

void TimelineStrip::followPlayer() {
    Player* player = player_ ? player_() : nullptr;
    const double playhead = player ? player->currentTime() * 1000.0 : 0.0;
    const double duration = player ? player->duration() * 1000.0 : 0.0;
    if (!std::isfinite(playhead) || (playhead == playheadMs_ && duration == durationMs_))
        return;
    playheadMs_ = playhead;
    if (duration != durationMs_)
        zoomed_ = false; // another video: show all of it
    durationMs_ = std::isfinite(duration) ? duration : 0.0;
    if (!zoomed_)
        shown_ = whole();
    else if (player && player->rate() > 0.0f)
        shown_ = followPlayhead(shown_, playheadMs_, whole());
    update();
}

TimeWindow TimelineStrip::whole() const {
    const Coding& c = coding();
    return wholeWindow(durationMs_, coder_.anyStamp(), double(c.firstMs), double(c.lastMs),
                       playheadMs_);
}

void TimelineStrip::setShown(const TimeWindow& shown) {
    const TimeWindow all = whole();
    shown_ = clampInto(shown, all);
    zoomed_ = shown_.length() < all.length() - 0.5;
    if (!zoomed_)
        shown_ = all;
    update();
}

void TimelineStrip::updateProblem() {
    QStringList problems;
    if (!schemeProblem_.isEmpty())
        problems << schemeProblem_;
    if (!coder_.anyStamp())
        problems << QStringLiteral("Nothing to draw yet: no line of the transcript has a time.");
    problem_ = problems.join(QLatin1Char('\n'));
    setAccessibleDescription(
        QStringLiteral("%1 behaviours, %2 bouts and %3 lines coded; click to go to a time, "
                       "turn the wheel to zoom. %4")
            .arg(rowCount())
            .arg(coding().bouts.size())
            .arg(coding().events.size())
            .arg(problem_)
            .trimmed());
    // The status line carries the scheme's problem at its end, in place of
    // the one told before.
    const QString remark =
        schemeProblem_.isEmpty() ? QString() : QStringLiteral(" — ") + schemeProblem_;
    if (status_ && remark != statusRemark_) {
        QString text = status_->text();
        if (!statusRemark_.isEmpty() && text.endsWith(statusRemark_))
            text.chop(statusRemark_.size());
        status_->setText(text + remark);
    }
    statusRemark_ = remark;
}

void TimelineStrip::updateHeight() {
    const int before = height();
    const int rows = std::clamp(rowCount(), 1, kMaxRowsShown);
    const int wanted = kTop + rows * rowPixels(fontMetrics()) + kAxis + 2;
    if (wanted == minimumHeight() && wanted == maximumHeight())
        return;
    setFixedHeight(wanted);
    if (isVisible() && before != wanted)
        emit heightChanged();
}

QSize TimelineStrip::sizeHint() const {
    return QSize(400, minimumHeight());
}

QSize TimelineStrip::minimumSizeHint() const {
    return QSize(kLabelsMax + 100, minimumHeight());
}

QRectF TimelineStrip::rowsBand() const {
    const int rows = std::clamp(rowCount(), 1, kMaxRowsShown);
    const int left = labelWidth_ > 0 ? labelWidth_ : kLabelsMin;
    return QRectF(left, kTop, std::max(1, width() - left - kRight),
                  rows * rowPixels(fontMetrics()));
}

StripAxis TimelineStrip::axis() const {
    const QRectF band = rowsBand();
    return StripAxis{shown_, band.left(), band.width()};
}

void TimelineStrip::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    playheadTimer_.start();
    followPlayer();
}

void TimelineStrip::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    playheadTimer_.stop(); // a hidden strip does not wake the program
}

void TimelineStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

void TimelineStrip::updateCache() {
    const qreal ratio = devicePixelRatioF();
    // The label column follows the names; measured when the rows change.
    if (cacheShape_.rows != rowCount() || cacheShape_.generation != generation_) {
        const QFontMetrics metrics = fontMetrics();
        int widest = 0;
        if (rowCount() <= 200)
            for (const Behaviour& b : coding().behaviours)
                widest = std::max(widest, metrics.horizontalAdvance(b.name));
        else
            widest = kLabelsMax;
        labelWidth_ = std::clamp(widest + 2 * kLabelGap, kLabelsMin, kLabelsMax);
    }
    const CacheShape shape{size(), ratio, shown_, rowCount(), generation_};
    if (!(shape == cacheShape_) || cache_.isNull()) {
        cacheShape_ = shape;
        cache_ = QPixmap(size() * ratio);
        cache_.setDevicePixelRatio(ratio);
        cache_.fill(kGround);
        cachedBouts_ = cachedEvents_ = 0;
        openWhenCached_.clear();
        QPainter p(&cache_);
        const QRectF band = rowsBand();
        const StripAxis ax = axis();
        const int rows = rowCount();
        const double rowH = rowHeight(std::max(rows, 1), band.height());
        // Names, in a smaller type where rows share the room, as long as
        // a row is high enough to read one.
        p.setPen(kText);
        QFont names = font();
        if (rowH < fontMetrics().height())
            names.setPixelSize(std::max(1, int(rowH) - 1));
        p.setFont(names);
        if (rows > 0 && rowH >= kSmallestLabel + 1) {
            const QFontMetrics metrics(names);
            for (int r = 0; r < rows; ++r) {
                const QRectF box(4, rowTop(r, rows, band.top(), band.height()),
                                 band.left() - kLabelGap - 4, rowH);
                p.drawText(box, Qt::AlignRight | Qt::AlignVCenter,
                           metrics.elidedText(coding().behaviours[std::size_t(r)].name,
                                              Qt::ElideRight, int(box.width())));
            }
        } else if (rows > 0) {
            p.setFont(font());
            p.drawText(QRectF(4, band.top(), band.left() - kLabelGap - 4, band.height()),
                       Qt::AlignRight | Qt::AlignVCenter | Qt::TextWordWrap,
                       QStringLiteral("%1 rows").arg(rows));
        }
        // The axis: ticks and seconds under the rows, faint lines across them.
        QFont small = font();
        small.setPointSizeF(font().pointSizeF() * 0.85);
        p.setFont(small);
        const qint64 length = std::max<qint64>(1, qint64(shown_.length()));
        const qint64 step = axisTickStep(length, std::max(2, int(band.width()) / 90));
        const qint64 first = qint64(std::ceil(shown_.from / double(step))) * step;
        for (qint64 t = first; double(t) <= shown_.to; t += step) {
            const double x = std::floor(xOfTime(ax, double(t)));
            p.fillRect(QRectF(x, band.top(), 1, band.height()), kFaint);
            p.fillRect(QRectF(x, band.bottom(), 1, 4), kText);
            p.drawText(QRectF(x - 45, band.bottom() + 3, 90, kAxis - 3),
                       Qt::AlignHCenter | Qt::AlignTop, axisTickLabel(t, step));
        }
    }
    QPainter p(&cache_);
    drawRows(p, cachedBouts_, cachedEvents_);
}

void TimelineStrip::drawRows(QPainter& p, std::size_t firstBout, std::size_t firstEvent) {
    const Coding& c = coding();
    const QRectF band = rowsBand();
    const StripAxis ax = axis();
    const int rows = rowCount();
    p.setClipRect(band);
    const double rowH = rowHeight(std::max(rows, 1), band.height());
    const double inset = rowH >= 8 ? 2 : 0;
    // Bars next to each other in one row are drawn as one.
    std::vector<double> runFrom(std::size_t(std::max(rows, 1)), 0), runTo(runFrom.size(), -1e300);
    auto flush = [&](int row) {
        if (runTo[std::size_t(row)] < runFrom[std::size_t(row)])
            return;
        const double top = rowTop(row, rows, band.top(), band.height()) + inset;
        p.fillRect(QRectF(runFrom[std::size_t(row)], top,
                          runTo[std::size_t(row)] - runFrom[std::size_t(row)],
                          std::max(1.0, rowH - 2 * inset)),
                   behaviourColour(row));
        runTo[std::size_t(row)] = -1e300;
    };
    auto bar = [&](const Bout& b) {
        const double left = std::floor(xOfTime(ax, double(b.start)));
        const double right =
            std::max(left + 1, std::round(xOfTime(ax, double(std::max(b.stop, b.start)))));
        if (right < band.left() || left > band.right())
            return;
        const std::size_t row = std::size_t(b.behaviour);
        if (left > runTo[row]) {
            flush(b.behaviour);
            runFrom[row] = left;
        }
        runTo[row] = std::max(runTo[row], right);
    };
    std::vector<std::size_t> stillOpen;
    for (std::size_t i : openWhenCached_) {
        if (coder_.openBout(c.bouts[i].behaviour) == int(i))
            stillOpen.push_back(i);
        else
            bar(c.bouts[i]);
    }
    for (std::size_t i = firstBout; i < c.bouts.size(); ++i) {
        if (coder_.openBout(c.bouts[i].behaviour) == int(i))
            stillOpen.push_back(i);
        else
            bar(c.bouts[i]);
    }
    for (int r = 0; r < rows; ++r)
        flush(r);
    openWhenCached_ = std::move(stillOpen);
    // Ticks; one per column and row.
    std::vector<double> lastTick(runFrom.size(), -1e300);
    for (std::size_t i = firstEvent; i < c.events.size(); ++i) {
        const CodedEvent& e = c.events[i];
        if (e.type != EventType::Point || e.behaviour < 0)
            continue;
        const double x = std::floor(xOfTime(ax, double(e.ms)));
        if (x == lastTick[std::size_t(e.behaviour)] || x < band.left() - 2 || x > band.right())
            continue;
        lastTick[std::size_t(e.behaviour)] = x;
        p.fillRect(QRectF(x, rowTop(e.behaviour, rows, band.top(), band.height()), 2,
                          std::max(1.0, rowH - 1)),
                   behaviourColour(e.behaviour));
    }
    cachedBouts_ = c.bouts.size();
    cachedEvents_ = c.events.size();
}

void TimelineStrip::paintEvent(QPaintEvent*) {
    updateCache();
    QPainter p(this);
    p.drawPixmap(0, 0, cache_);
    const QRectF band = rowsBand();
    const StripAxis ax = axis();
    const int rows = rowCount();
    const double rowH = rowHeight(std::max(rows, 1), band.height());
    const double inset = rowH >= 8 ? 2 : 0;
    p.setClipRect(band);
    // Active states run to the playhead.
    for (int r = 0; r < rows; ++r) {
        const int open = coder_.openBout(r);
        if (open < 0)
            continue;
        const Bout& b = coding().bouts[std::size_t(open)];
        const double left = std::floor(xOfTime(ax, double(b.start)));
        const double right =
            std::max(left + 2, std::round(xOfTime(ax, std::max(playheadMs_, double(b.start)))));
        p.fillRect(QRectF(left, rowTop(r, rows, band.top(), band.height()) + inset, right - left,
                          std::max(1.0, rowH - 2 * inset)),
                   behaviourColour(r));
    }
    const double x = std::floor(xOfTime(ax, playheadMs_));
    p.setClipping(false);
    if (x >= band.left() - 1 && x <= band.right())
        p.fillRect(QRectF(x, band.top() - 2, 2, band.height() + 4), Qt::white);
    if (rows == 0 || !coder_.anyStamp()) {
        p.setPen(kText);
        p.drawText(band.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   rows == 0 ? QStringLiteral("No behaviour coded yet")
                             : QStringLiteral("No time-stamped line yet"));
    }
}

void TimelineStrip::mousePressEvent(QMouseEvent* event) {
    const QRectF band = rowsBand();
    const QPointF at = event->position();
    if (event->button() != Qt::LeftButton || at.x() < band.left() || at.x() > band.right()) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (goTo_)
        goTo_(timeAtX(axis(), std::floor(at.x())) / 1000.0);
}

void TimelineStrip::wheelEvent(QWheelEvent* event) {
    const QPoint turn = event->angleDelta();
    const StripAxis ax = axis();
    const double anchor = timeAtX(ax, event->position().x());
    event->accept();
    if (turn.y() != 0) {
        // A notch shows four fifths of the stretch, or a quarter more.
        const double factor = std::pow(0.8, turn.y() / 120.0);
        const TimeWindow all = whole();
        shown_ = zoomAround(shown_, anchor, factor, all);
        zoomed_ = shown_.length() < all.length() - 0.5;
        update();
    } else if (turn.x() != 0) {
        const double by = -shown_.length() * turn.x() / 1200.0;
        setShown({shown_.from + by, shown_.to + by});
    }
}

bool TimelineStrip::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const QPoint at = static_cast<QHelpEvent*>(event)->pos();
        const QString text = describeAt(at);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

QString TimelineStrip::keysOf(int behaviour) const {
    if (!scheme_.given)
        return coding().behaviours[std::size_t(behaviour)].name;
    QStringList keys;
    for (auto it = scheme_.keys.cbegin(); it != scheme_.keys.cend(); ++it)
        if (it.value() == behaviour)
            keys << it.key();
    keys.sort();
    return keys.join(QStringLiteral(", "));
}

QString TimelineStrip::describeAt(const QPoint& point) const {
    const QRectF band = rowsBand();
    const int rows = rowCount();
    const int row = rowAt(point.y(), rows, band.top(), band.height());
    QStringList lines;
    if (row >= 0) {
        const Coding& c = coding();
        const Behaviour& b = c.behaviours[std::size_t(row)];
        const StripAxis ax = axis();
        const double t = timeAtX(ax, point.x());
        const double slack = 3.0 * ax.shown.length() / ax.width;
        QString found;
        if (point.x() >= band.left() && b.kind == BehaviourKind::State) {
            for (std::size_t i = 0; i < c.bouts.size(); ++i) {
                const Bout& bout = c.bouts[i];
                if (bout.behaviour != row)
                    continue;
                const bool open = coder_.openBout(row) == int(i);
                const double stop = open ? std::max(playheadMs_, double(bout.start)) : bout.stop;
                if (t + slack < bout.start || t - slack > stop)
                    continue;
                found = open ? QStringLiteral("%1 – %2, still active")
                                   .arg(seconds(bout.start), seconds(stop))
                             : QStringLiteral("%1 – %2 (%3 s)")
                                   .arg(seconds(bout.start), seconds(bout.stop),
                                        seconds(bout.duration()));
            }
        } else if (point.x() >= band.left()) {
            double nearest = slack;
            for (const CodedEvent& e : c.events)
                if (e.behaviour == row && e.type == EventType::Point &&
                    std::abs(double(e.ms) - t) <= nearest) {
                    nearest = std::abs(double(e.ms) - t);
                    found = QStringLiteral("at %1").arg(seconds(e.ms));
                }
        }
        lines << QStringLiteral("%1 (%2; key %3)").arg(b.name, kindName(b.kind), keysOf(row));
        if (!found.isEmpty())
            lines << found;
        else if (point.x() >= band.left())
            lines << QStringLiteral("%1 s; click to go there").arg(seconds(t));
    } else if (band.left() <= point.x()) {
        lines << QStringLiteral("%1 s; click to go there").arg(seconds(timeAtX(axis(), point.x())));
    }
    if (!problem_.isEmpty())
        lines << problem_;
    return lines.join(QLatin1Char('\n'));
}

TimelineStrip* installTimelineStrip(QMainWindow* window, QPlainTextEdit* transcript,
                                    QLabel* status) {
    auto* picture =
        window ? window->findChild<AVPlayerViewAcceptsDrop*>(QStringLiteral("player")) : nullptr;
    if (!picture || !picture->parentWidget())
        return nullptr;
    auto* box = qobject_cast<QBoxLayout*>(picture->parentWidget()->layout());
    const int at = box ? box->indexOf(picture) : -1;
    if (at < 0)
        return nullptr;
    auto* strip = new TimelineStrip(picture->parentWidget());
    box->insertWidget(at + 1, strip);
    strip->setPlayerSource([picture = QPointer(picture)]() -> Player* {
        return picture ? picture->player() : nullptr;
    });
    strip->setStatusLine(status);
    strip->setTranscript(transcript);
    strip->setSchemeFile(QDir(storageFolderPath()).filePath(kCodingSchemeFileName));

    // The picture keeps its size, and so its fit, when the strip comes, goes
    // or changes height: the window takes up the difference.
    auto keepPicture = [window = QPointer(window), picture = QPointer(picture)](auto change) {
        const int before = picture ? picture->height() : 0;
        change();
        if (!window || !picture || !window->isVisible() ||
            (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
            return;
        // Lay the window out now (the picture's box may have moved since,
        // into a splitter's pane) to learn what the change took.
        if (QLayout* layout = picture->parentWidget()->layout())
            layout->activate();
        if (QLayout* layout = window->centralWidget() ? window->centralWidget()->layout() : nullptr)
            layout->activate();
        window->resize(window->width(), window->height() + before - picture->height());
    };
    QObject::connect(strip, &TimelineStrip::heightChanged, strip,
                     [keepPicture] { keepPicture([] {}); });
    auto* show = new QAction(QStringLiteral("Show Timeline"), window);
    show->setObjectName(QStringLiteral("actionShowTimeline"));
    show->setCheckable(true);
    show->setChecked(true);
    QObject::connect(show, &QAction::toggled, strip, [strip, keepPicture](bool on) {
        keepPicture([strip, on] { strip->setVisible(on); });
    });
    QMenu* menu = window->findChild<QMenu*>(QStringLiteral("menuWindow"));
    if (menu) {
        menu->addSeparator();
        menu->addAction(show);
    } else {
        window->addAction(show);
    }
    return strip;
}
