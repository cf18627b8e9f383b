// Frame steps with the picture on screen: the clip plays 3 s at rate 1 in an
// OpenGL picture of WIDTHxHEIGHT from FROM_SECONDS and stops; then COUNT steps
// back and COUNT steps forward, 150 ms apart, each timed from the call to the
// next frame the window swaps to the screen; then COUNT steps forward past
// where playing stopped (frames never shown); then, from a second before
// FROM_SECONDS (never played), COUNT steps back at a coder's pace: 4 a
// second, without waiting for the engine, each timed until its own frame is
// on screen. Prints
//   {"figure":"steps_ours","back_ms":[...],"kept":[...],"forward_ms":[...],
//    "new_forward_ms":[...],"keep_bytes":B,"keep_frames":N,
//    "past_keep_ms":[...],"past_keep_seeks":S,"past_keep_fill_seeks":F}
// kept: whether each step back's frame was in the keep when asked for.
// Usage: bench_steps CLIP FROM_SECONDS COUNT WIDTH HEIGHT
#include "bench_util.h"
#include "player_setup.h"

#include "platform/mpv_video_widget.h"

#include <QApplication>
#include <QJsonArray>
#include <QVBoxLayout>

#include <clocale>
#include <cstdio>

namespace {

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Milliseconds from a step to the next frame swapped to the screen; -1 when
// none came within 5 s.
double timeStep(MpvPlayer* player, MpvVideoWidget* picture, bool forward) {
    QEventLoop loop;
    bool swapped = false;
    const auto c = QObject::connect(picture, &QOpenGLWidget::frameSwapped, &loop, [&] {
        swapped = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    const double t0 = bench::monotonicSeconds();
    player->stepFrame(forward);
    loop.exec();
    QObject::disconnect(c);
    const double ms = swapped ? bench::msSince(t0) : -1.0;
    // The engine catches up before the next step, as a coder pauses to look.
    if (!player->isSettled())
        bench::waitSettled(player, 20000);
    wait(150);
    return ms;
}

// Milliseconds from a step back to the frame it goes to on screen (kept,
// or the engine's own once nothing covers it); -1 after 5 s.
double timePacedStep(MpvPlayer* player, MpvVideoWidget* picture) {
    const double target = std::round(player->currentTime() * 30.0 - 1.0) / 30.0;
    QEventLoop loop;
    bool shown = false;
    const auto c = QObject::connect(picture, &QOpenGLWidget::frameSwapped, &loop, [&] {
        const std::optional<double> kept = picture->keptShown();
        shown = kept ? std::abs(*kept - target) < 0.002 : !picture->holding();
        if (shown)
            loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    const double t0 = bench::monotonicSeconds();
    player->stepFrame(false);
    if (const std::optional<double> kept = picture->keptShown();
        kept && std::abs(*kept - target) < 0.002)
        shown = true; // drawn at the next paint; timed to its swap below
    loop.exec();
    QObject::disconnect(c);
    const double ms = shown ? bench::msSince(t0) : -1.0;
    const double left = 250.0 - bench::msSince(t0);
    if (left > 0)
        wait(int(left));
    return ms;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = QApplication::arguments();
    if (args.size() < 6 || !MpvVideoWidget::openGLAvailable())
        return 2;
    const int count = args[3].toInt();

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new AVPlayerViewAcceptsDrop;
    view->setFixedSize(args[4].toInt(), args[5].toInt());
    layout->addWidget(view);
    window.move(0, 0);
    window.show();
    MpvPlayer* player = bench::loadInto(view, MpvPlayer::VideoOutput::OpenGL, args[1]);
    auto* picture = view->findChild<MpvVideoWidget*>();
    if (!player || !picture) {
        std::fprintf(stderr, "bench_steps: cannot play %s\n", qPrintable(args[1]));
        return 1;
    }
    player->seekTo(std::llround(args[2].toDouble() * 1000.0));
    bench::waitSettled(player, 20000);
    wait(500);
    player->setRate(1.0f);
    wait(3000);
    player->pause();
    if (!player->isSettled())
        bench::waitSettled(player, 20000);
    wait(300);
    const qint64 keepBytes = picture->keep().bytes();
    const int keepFrames = int(picture->keep().frames());

    QJsonArray back, kept, forward, newForward;
    const double frame = 1.0 / 30.0;
    const double stop = player->currentTime();
    for (int i = 0; i < count; ++i) {
        const double target = std::floor(player->currentTime() / frame + 1e-6) * frame - frame;
        kept.append(picture->keep().has(target));
        back.append(timeStep(player, picture, false));
    }
    for (int i = 0; i < count; ++i)
        forward.append(timeStep(player, picture, true));
    player->seekTo(std::llround(stop * 1000.0));
    bench::waitSettled(player, 20000);
    wait(300);
    for (int i = 0; i < count; ++i)
        newForward.append(timeStep(player, picture, true));
    player->seekTo(std::llround((args[2].toDouble() - 1.0) * 1000.0));
    bench::waitSettled(player, 20000);
    wait(300);
    QJsonArray pastKeep;
    const int seeks = player->engineSeeks(), fillSeeks = player->fillSeeks();
    for (int i = 0; i < count; ++i)
        pastKeep.append(timePacedStep(player, picture));
    bench::waitSettled(player, 20000);
    bench::emitResult({{"figure", "steps_ours"},
                       {"past_keep_ms", pastKeep},
                       {"past_keep_seeks", player->engineSeeks() - seeks},
                       {"past_keep_fill_seeks", player->fillSeeks() - fillSeeks},
                       {"back_ms", back},
                       {"kept", kept},
                       {"forward_ms", forward},
                       {"new_forward_ms", newForward},
                       {"keep_bytes", keepBytes},
                       {"keep_frames", keepFrames}});
    return 0;
}
