// Time-stamp fidelity: the frame-coded clip plays at rate 1 in the player's
// video view on screen; at random moments a key press goes to the player view
// (the same path as a real key), and the screen under the view is read back at
// once. The frame number that the clip's colour blocks carry gives the time of
// the frame on screen; the time stamped in the new transcript line is compared
// with it. Prints
//   {"figure":"fidelity","keys":K,"unread":U,"errors_ms":[...],"raw_errors_ms":[...],
//    "screen_lag_frames":[...]}
// errors_ms: stamped time (as written, two decimals) minus the frame's time;
// raw_errors_ms: the same with the player's unrounded time at the key;
// screen_lag_frames: the frame the engine reports as shown minus the frame on
// screen.
// Usage: bench_fidelity FRAME_CODED_CLIP SECONDS SEED
#include "bench_util.h"
#include "player_setup.h"

#include "session/transcript.h"

#include <QApplication>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QVBoxLayout>

#include <clocale>
#include <cstdio>
#include <optional>
#include <random>

namespace {

constexpr int kWidth = 640, kHeight = 360, kBlocks = 4;
constexpr double kFps = 30.0;

// The frame number carried by the picture: block i holds three bits in its
// red, green and blue. Two points per block must agree.
std::optional<int> frameNumber(const QImage& image) {
    int n = 0;
    for (int i = 0; i < kBlocks; ++i) {
        const int x = int((i + 0.5) * image.width() / kBlocks);
        int digit = -1;
        for (const int y : {image.height() / 3, 2 * image.height() / 3}) {
            const QColor c = image.pixelColor(x, y);
            const int d =
                (c.red() > 127 ? 1 : 0) | (c.green() > 127 ? 2 : 0) | (c.blue() > 127 ? 4 : 0);
            if (digit >= 0 && d != digit)
                return std::nullopt;
            digit = d;
        }
        n |= digit << (3 * i);
    }
    return n;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = QApplication::arguments();
    if (args.size() < 4)
        return 2;
    const double seconds = args[2].toDouble();
    std::mt19937 random(args[3].toUInt());
    std::uniform_real_distribution<double> gap(0.2, 0.6);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new AVPlayerViewAcceptsDrop;
    auto* echo = new QLabel;
    auto* script = new QPlainTextEdit;
    view->setFixedSize(kWidth, kHeight);
    layout->addWidget(view);
    layout->addWidget(echo);
    layout->addWidget(script);
    savedState().codeDisplay = echo;
    savedState().script = script;
    window.move(0, 0);
    window.show();
    MpvPlayer* player = bench::loadInto(view, MpvPlayer::VideoOutput::Automatic, args[1]);
    if (!player) {
        std::fprintf(stderr, "bench_fidelity: cannot play %s\n", qPrintable(args[1]));
        return 1;
    }
    // Let the first frame reach the screen.
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();
    player->setRate(1.0f);

    QJsonArray errors, rawErrors, screenLag;
    int keys = 0, unread = 0;
    const double start = bench::monotonicSeconds();
    QEventLoop loop;
    std::function<void()> press = [&] {
        const double raw = player->currentTime();
        QKeyEvent event(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0x61, 0,
                        QStringLiteral("a"));
        QCoreApplication::sendEvent(view, &event);
        const QPoint at = view->mapToGlobal(QPoint(0, 0));
        const QImage shown =
            window.screen()->grabWindow(0, at.x(), at.y(), kWidth, kHeight).toImage();
        // The frame the engine holds as shown, for comparison with the screen.
        const std::optional<int> engineFrame = frameNumber(player->grabVideoFrame());
        ++keys;
        const QString line = script->document()->lastBlock().previous().text();
        bool ok = false;
        const double stamped = line.left(8).trimmed().toDouble(&ok);
        const std::optional<int> frame = frameNumber(shown);
        if (frame && ok) {
            const double frameTime = *frame / kFps;
            errors.append((stamped - frameTime) * 1000.0);
            rawErrors.append((raw - frameTime) * 1000.0);
            if (engineFrame)
                screenLag.append(*engineFrame - *frame);
        } else {
            ++unread;
        }
        if (bench::monotonicSeconds() - start < seconds)
            QTimer::singleShot(int(gap(random) * 1000), Qt::PreciseTimer, &loop, press);
        else
            loop.quit();
    };
    QTimer::singleShot(int(gap(random) * 1000), Qt::PreciseTimer, &loop, press);
    loop.exec();
    bench::emitResult({{"figure", "fidelity"},
                       {"keys", keys},
                       {"unread", unread},
                       {"errors_ms", errors},
                       {"raw_errors_ms", rawErrors},
                       {"screen_lag_frames", screenLag}});
    return 0;
}
