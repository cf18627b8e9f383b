// Start-up as the program does it (the same steps as its main), timed from
// inside until the main window is exposed on the display and the placeholder
// reports that it is ready to play. Prints the moments on the monotonic clock,
// which the runner compares with the moment it started this process:
//   {"figure":"startup","main":T,"application":T,"window":T,"launched":T,
//    "exposed":T,"ready":T}
#include "bench_util.h"

#include "app/app_delegate.h"
#include "app/application_setup.h"
#include "app/termination_signals.h"
#include "session/state.h"
#include "transport/player_view.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <optional>

namespace {

// Notes the first moment a top-level window of the program is exposed.
class ExposeWatch : public QObject {
public:
    std::optional<double> exposed;
    std::function<void()> onExposed;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (!exposed && event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(object);
            if (window && window->isTopLevel() && window->isExposed()) {
                exposed = bench::monotonicSeconds();
                if (onExposed)
                    QTimer::singleShot(0, onExposed);
            }
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    // Where start-up's time goes: entering main (loading the libraries),
    // the application object, the window, the start-up sequence.
    const double entered = bench::monotonicSeconds();
    ExposeWatch watch;
    QApplication app(argc, argv);
    app.installEventFilter(&watch);
    const double appMade = bench::monotonicSeconds();

    // From here on, what the program's main does.
    prepareApplication();
    TerminationSignals terminationSignals;
    AppDelegate delegate;
    const double windowMade = bench::monotonicSeconds();
    QObject::connect(&terminationSignals, &TerminationSignals::received, &delegate,
                     &AppDelegate::onTerminationSignal);
    app.setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());
    delegate.applicationDidFinishLaunching();
    const double launched = bench::monotonicSeconds();

    // Ready: the placeholder's item reports ready to play.
    std::optional<double> ready;
    bool reported = false;
    auto check = [&] {
        Player* player = savedState().playerView ? savedState().playerView->player() : nullptr;
        if (!ready && player && player->status() == ItemStatus::ReadyToPlay)
            ready = bench::monotonicSeconds();
        if (ready && watch.exposed && !reported) {
            reported = true;
            bench::emitResult({{"figure", "startup"},
                               {"main", entered},
                               {"application", appMade},
                               {"window", windowMade},
                               {"launched", launched},
                               {"exposed", *watch.exposed},
                               {"ready", *ready}});
            app.exit(0);
        }
    };
    watch.onExposed = check;
    if (Player* player = savedState().playerView ? savedState().playerView->player() : nullptr)
        QObject::connect(player, &Player::statusChanged, &app, check);
    check();
    QTimer::singleShot(30000, &app, [&] { app.exit(1); });
    return app.exec();
}
