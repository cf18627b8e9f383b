#include "window/letterbox.h"

#include "session/state.h"
#include "transport/player_view.h"
#include "window/letterbox_geometry.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <deque>

namespace {

constexpr int kReadinessChecks = 400;
constexpr int kCheckIntervalMs = 1;

bool videoReady(const AVPlayerViewAcceptsDrop* view) {
    const Player* player = view ? view->player() : nullptr;
    return player && player->hasCurrentItem() && player->status() == ItemStatus::ReadyToPlay;
}

// Checks readiness up to 400 times about 1 ms apart, letting the interface
// and the player's notifications run in between.
bool waitForVideo(const QPointer<AVPlayerViewAcceptsDrop>& view) {
    if (videoReady(view))
        return true;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(kCheckIntervalMs);
    int checks = 1;
    bool ready = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        ready = videoReady(view);
        if (ready || !view || ++checks >= kReadinessChecks)
            loop.quit();
    });
    tick.start();
    loop.exec();
    return ready;
}

// The one place where Qt's y-down coordinates meet the fitting's y-up ones:
// the y-up origin is the bottom edge of the primary screen.
double referenceY() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().y() + primary->geometry().height() : 0.0;
}

RectUp upFromQt(const QRect& r) {
    return toggleYAxis(RectUp{double(r.x()), double(r.y()), double(r.width()), double(r.height())},
                       referenceY());
}

QPoint qtTopLeftOf(const PointUp& origin, double frameHeight) {
    const RectUp down = toggleYAxis(RectUp{origin.x, origin.y, 0.0, frameHeight}, referenceY());
    return QPoint(qRound(down.x), qRound(down.y));
}

// The minimum frame size: the minimum content size and the decorations.
SizeUp minimumFrameSize(const QMainWindow* window) {
    QSize content = window->minimumSize();
    if (content.width() <= 0 && content.height() <= 0)
        content = window->minimumSizeHint().expandedTo(QSize(0, 0));
    const QSize decorations = window->frameGeometry().size() - window->geometry().size();
    return SizeUp{double(content.width() + decorations.width()),
                  double(content.height() + decorations.height())};
}

void setContentSize(QMainWindow* window, const SizeUp& size) {
    window->resize(qMax(1, qRound(size.w)), qMax(1, qRound(size.h)));
}

// Moves the frame's origin; a no-op where the platform does not let programs
// place their windows.
void moveFrameTo(QMainWindow* window, const PointUp& origin) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    const QPoint topLeft = qtTopLeftOf(origin, window->frameGeometry().height());
    if (topLeft != window->frameGeometry().topLeft())
        window->move(topLeft);
}

void fitOnce(const QString& mode) {
    QPointer<QMainWindow> window = savedState().window;
    QPointer<AVPlayerViewAcceptsDrop> view = savedState().playerView;
    if (!window || !view)
        return;
    const SizeUp minFrame = minimumFrameSize(window);
    const bool ready = waitForVideo(view);
    if (!window || !view || !window->screen())
        return; // closed during the wait

    const RectUp frame = upFromQt(window->frameGeometry());
    const RectUp content = upFromQt(window->geometry());
    if (!ready) {
        setContentSize(window, fallbackContentSize(minFrame, frame, content));
        previous().scaledUp = false;
    } else {
        const FitChoice choice =
            chooseFit(mode, previous().scaledUp, savedState().resizesSinceLoad);
        const Player* player = view->player();
        const QSizeF picture = player->presentationSize();
        const double aspect =
            videoAspect(player->hasCurrentItem(), picture.width(), picture.height());
        const SizeUp playerSize{double(view->width()), double(view->height())};
        const SizeChange change =
            choice.fit == Fit::Large
                ? largeFitChange(frame, upFromQt(window->screen()->availableGeometry()), playerSize,
                                 aspect)
                : smallFitChange(frame, minFrame, playerSize, aspect);
        setContentSize(window, contentSizeAfter(content, change));
        previous().scaledUp = choice.scaledUpAfter;
    }

    const RectUp resized = upFromQt(window->frameGeometry());
    moveFrameTo(window, keepOnScreen(resized, upFromQt(window->screen()->availableGeometry())));
    ++savedState().resizesSinceLoad;
}

} // namespace

previousFit& previous() {
    static previousFit remembered;
    return remembered;
}

void fixLetterbox(const QString& mode) {
    static bool fitting = false;
    static std::deque<QString> waiting;
    if (fitting) {
        waiting.push_back(mode);
        return;
    }
    fitting = true;
    fitOnce(mode);
    while (!waiting.empty()) {
        const QString next = waiting.front();
        waiting.pop_front();
        fitOnce(next);
    }
    fitting = false;
}
