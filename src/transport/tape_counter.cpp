#include "transport/tape_counter.h"

#include "session/format.h"
#include "session/state.h"
#include "transport/player_view.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int kActivePeriodMs = 50;
constexpr int kIdlePeriodMs = 500;

QPointer<QTimer>& refresher() {
    static QPointer<QTimer> timer;
    return timer;
}

int wantedPeriod() {
    return QApplication::activeWindow() ? kActivePeriodMs : kIdlePeriodMs;
}

void refresh() {
    const stateDef& s = savedState();
    Player* player = s.playerView ? s.playerView->player() : nullptr;
    const double t = player ? player->currentTime() : 0.0;
    if (s.tapeCounterDisplay)
        s.tapeCounterDisplay->setText(counterText(t));
    if (s.excursionDisplay)
        s.excursionDisplay->setText(excursionText(t, s.markTime));
    if (QTimer* timer = refresher(); timer && timer->interval() != wantedPeriod())
        timer->setInterval(wantedPeriod());
}

} // namespace

QString counterText(double t) {
    return formatFixed(t, 2, 8);
}

QString excursionText(double t, float markTime) {
    return formatFixed(t - double(markTime), 2, 8);
}

void tapeCounter() {
    if (refresher())
        return;
    auto* timer = new QTimer(qApp);
    refresher() = timer;
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(wantedPeriod());
    QObject::connect(timer, &QTimer::timeout, timer, refresh);
    // A window that becomes active gets the fast period at once, not only
    // after the slow one has run out.
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, timer, [timer] {
        if (timer->interval() != wantedPeriod()) {
            timer->setInterval(wantedPeriod());
            timer->start();
        }
    });
    timer->start();
}

int tapeCounterPeriodMs() {
    return refresher() ? refresher()->interval() : 0;
}

void setMarkAtPlayhead() {
    stateDef& s = savedState();
    Player* player = s.playerView ? s.playerView->player() : nullptr;
    if (!player)
        return;
    const double t = player->currentTime();
    s.markTime = float(t);
    if (s.markDisplay)
        s.markDisplay->setText(formatFixed(t, 2));
}
