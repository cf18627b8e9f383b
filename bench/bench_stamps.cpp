// Time stamps and key latency while the interface is busy or the disk slow:
// the clip plays at rate 1 in the player view on screen, the journal
// listening as in the program, and a helper thread presses a key through the
// X server (XTEST) at random moments, whatever the user-interface thread is
// doing. Before each press it asks that thread to note the clock's reading;
// with --stall-ms N the thread then sleeps N ms, and the press falls inside
// that stall. Under the trace shim (LD_PRELOAD) with
// KEYSTAMP_TRACE_SLOW_SYNC_MS set, every fdatasync of the journal takes that
// long. Prints
//   {"figure":"stamps","stall_ms":N,"keys":K,"missed":M,"paired":P,
//    "errors_ms":[...],"latency_ms":[...]}
// errors_ms: the player's time at the key (what its line is stamped with,
// before the two decimals) minus the clock's time at the press (the noted
// reading plus the time since, at rate 1); latency_ms: from the press to its
// line in the transcript; missed: presses that gave no line; paired: false
// when keys and lines could not be told apart (then no errors are given).
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
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr std::uint8_t kKeycodeA = 38; // "a" in the X server's default keymap

struct Note {
    double moment = 0.0, reading = 0.0;
};

// Takes the player's time at each key press as the view will stamp it.
class StampTap : public QObject {
public:
    StampTap(MpvPlayer* player, std::vector<double>& stamps) : player_(player), stamps_(stamps) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            stamps_.push_back(
                playheadAtKey(player_, keyEventFromQt(*static_cast<QKeyEvent*>(event))));
        return false;
    }

private:
    MpvPlayer* player_;
    std::vector<double>& stamps_;
};

// Runs the event loop for ms milliseconds.
void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
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
    spin(1000);
    if (!view->hasFocus()) {
        std::fprintf(stderr, "bench_stamps: the view has no keyboard focus\n");
        return 1;
    }

    // Written on this thread: the notes (by press), the stamps and the
    // lines' moments (by key); the presses' moments on the helper thread.
    const int most = int(seconds / 0.15) + 2;
    std::vector<Note> notes(static_cast<std::size_t>(most));
    std::vector<double> stamps, lineMoments, presses;
    std::atomic<int> noted{0};
    StampTap tap(player, stamps);
    view->installEventFilter(&tap);
    QObject::connect(script->document(), &QTextDocument::blockCountChanged,
                     [&] { lineMoments.push_back(bench::monotonicSeconds()); });
    player->setRate(1.0f);

    std::atomic<bool> finished{false};
    std::thread presser([&] {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> idle(150, 350), offset(30, 240);
        const double end = bench::monotonicSeconds() + seconds;
        for (int i = 0; i < most && bench::monotonicSeconds() < end; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(idle(random)));
            QMetaObject::invokeMethod(
                &app,
                [&, i] {
                    notes[std::size_t(i)] = {bench::monotonicSeconds(), player->currentTime()};
                    noted = i + 1;
                    if (stallMs > 0)
                        QThread::msleep(unsigned(stallMs));
                },
                Qt::QueuedConnection);
            // A stall must have begun before its press; otherwise the press
            // does not wait for the note.
            while (stallMs > 0 && noted <= i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(offset(random)));
            presses.push_back(bench::monotonicSeconds());
            keys.tap(kKeycodeA);
        }
        finished = true;
    });
    while (!finished)
        spin(50);
    presser.join();
    spin(1000); // the last key's line
    player->setRate(0.0f);
    waitForJournal();

    // One line per key: a lost key would pair the rest with the wrong presses.
    QJsonArray errors, latency;
    const std::size_t n = presses.size();
    const bool paired = stamps.size() == n && lineMoments.size() == n && noted == int(n);
    for (std::size_t i = 0; paired && i < n; ++i) {
        const double expected = notes[i].reading + (presses[i] - notes[i].moment);
        errors.append((stamps[i] - expected) * 1000.0);
        latency.append((lineMoments[i] - presses[i]) * 1000.0);
    }
    bench::emitResult({{"figure", "stamps"},
                       {"stall_ms", stallMs},
                       {"keys", int(n)},
                       {"missed", int(n - std::min(n, lineMoments.size()))},
                       {"paired", paired},
                       {"errors_ms", errors},
                       {"latency_ms", latency}});
    return 0;
}
