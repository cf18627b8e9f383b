// Time stamps and key latency while the interface is busy or the disk slow:
// the frame-coded clip plays at rate 1 in the player view on screen, the
// journal listening as in the program, and a helper thread presses a key
// through the X server (XTEST) at random moments. Before each press the
// user-interface thread notes the clock's reading; with --stall-ms N it then
// sleeps N ms, and the press falls inside that stall. Under the trace shim
// (LD_PRELOAD) with KEYSTAMP_TRACE_SLOW_SYNC_MS set, every fdatasync of the
// journal takes that long. Prints
//   {"figure":"stamps","stall_ms":N,"keys":K,"missed":M,"errors_ms":[...],
//    "latency_ms":[...]}
// errors_ms: the player's time at the key (what its line is stamped with,
// before the two decimals) minus the clock's time at the press (the noted
// reading plus the time since, at rate 1); latency_ms: from the press to its
// line in the transcript; missed: presses that gave no line.
// Usage: bench_stamps CLIP SECONDS SEED [--stall-ms N]
#include "bench_util.h"
#include "player_setup.h"
#include "x_keys.h"

#include "platform/key_translation.h"
#include "session/key_recording.h"
#include "storage/journal.h"
#include "storage/storage_folder.h"

#include <QApplication>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QThread>
#include <QVBoxLayout>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

namespace {

constexpr std::uint8_t kKeycodeA = 38; // "a" in the X server's default keymap

// What the user-interface thread tells the helper thread.
struct Shared {
    std::mutex lock;
    double noteMoment = 0.0, noteReading = 0.0; // the clock before a press
    bool noted = false;
    int lines = 0;
    double lineMoment = 0.0; // when the last line reached the transcript
    double stamp = 0.0;      // the player's time at the last key
};

// Takes the player's time at each key press as the view will stamp it.
class StampTap : public QObject {
public:
    StampTap(MpvPlayer* player, Shared& shared) : player_(player), shared_(shared) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const double t =
                playheadAtKey(player_, keyEventFromQt(*static_cast<QKeyEvent*>(event)));
            std::lock_guard<std::mutex> hold(shared_.lock);
            shared_.stamp = t;
        }
        return false;
    }

private:
    MpvPlayer* player_;
    Shared& shared_;
};

template <class Predicate> bool waitFor(Predicate done, double seconds) {
    const double until = bench::monotonicSeconds() + seconds;
    while (!done()) {
        if (bench::monotonicSeconds() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    bench::useTemporaryHome(home);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 4)
        return 2;
    const double seconds = args[2].toDouble();
    const unsigned seed = args[3].toUInt();
    const int stallIndex = int(args.indexOf(QStringLiteral("--stall-ms")));
    const int stallMs = stallIndex > 0 ? args.value(stallIndex + 1).toInt() : 0;
    // The trace shim slows the syncs of files under this folder only.
    qputenv("KEYSTAMP_TRACE_DIR", storageFolderPath().toLocal8Bit());

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new AVPlayerViewAcceptsDrop;
    auto* echo = new QLabel;
    auto* script = new QPlainTextEdit;
    view->setFixedSize(640, 360);
    layout->addWidget(view);
    layout->addWidget(echo);
    layout->addWidget(script);
    stateDef& state = savedState();
    state.codeDisplay = echo;
    state.script = script;
    state.loadTime = QDateTime::currentDateTime();
    state.vidBasename = QStringLiteral("bench");
    installJournal();
    window.move(0, 0);
    window.show();
    MpvPlayer* player = bench::loadInto(view, MpvPlayer::VideoOutput::Automatic, args[1]);
    bench::XKeys keys;
    if (!player || !keys.ok()) {
        std::fprintf(stderr, "bench_stamps: no player or no XTEST\n");
        return 1;
    }
    window.activateWindow();
    view->setFocus();
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();
    if (!view->hasFocus()) {
        std::fprintf(stderr, "bench_stamps: the view has no keyboard focus\n");
        return 1;
    }

    Shared shared;
    StampTap tap(player, shared);
    view->installEventFilter(&tap);
    QObject::connect(script->document(), &QTextDocument::blockCountChanged, [&shared] {
        std::lock_guard<std::mutex> hold(shared.lock);
        ++shared.lines;
        shared.lineMoment = bench::monotonicSeconds();
    });
    player->setRate(1.0f);

    QJsonArray errors, latency;
    int pressed = 0, missed = 0;
    std::atomic<bool> finished{false};
    std::thread presser([&] {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> idle(150, 350), offset(30, 240);
        const double end = bench::monotonicSeconds() + seconds;
        while (bench::monotonicSeconds() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(idle(random)));
            {
                std::lock_guard<std::mutex> hold(shared.lock);
                shared.noted = false;
            }
            QMetaObject::invokeMethod(
                &app,
                [&] {
                    {
                        std::lock_guard<std::mutex> hold(shared.lock);
                        shared.noteMoment = bench::monotonicSeconds();
                        shared.noteReading = player->currentTime();
                        shared.noted = true;
                    }
                    if (stallMs > 0)
                        QThread::msleep(unsigned(stallMs));
                },
                Qt::QueuedConnection);
            waitFor(
                [&] {
                    std::lock_guard<std::mutex> hold(shared.lock);
                    return shared.noted;
                },
                5.0);
            std::this_thread::sleep_for(std::chrono::milliseconds(offset(random)));
            int before = 0;
            {
                std::lock_guard<std::mutex> hold(shared.lock);
                before = shared.lines;
            }
            const double at = bench::monotonicSeconds();
            keys.tap(kKeycodeA);
            ++pressed;
            const bool lined = waitFor(
                [&] {
                    std::lock_guard<std::mutex> hold(shared.lock);
                    return shared.lines > before;
                },
                3.0);
            std::lock_guard<std::mutex> hold(shared.lock);
            if (!lined) {
                ++missed;
                continue;
            }
            const double expected = shared.noteReading + (at - shared.noteMoment);
            errors.append((shared.stamp - expected) * 1000.0);
            latency.append((shared.lineMoment - at) * 1000.0);
        }
        finished = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished)
            loop.quit();
    });
    poll.start(50);
    loop.exec();
    presser.join();
    player->setRate(0.0f);
    waitForJournal();
    bench::emitResult({{"figure", "stamps"},
                       {"stall_ms", stallMs},
                       {"keys", pressed},
                       {"missed", missed},
                       {"errors_ms", errors},
                       {"latency_ms", latency}});
    return 0;
}
