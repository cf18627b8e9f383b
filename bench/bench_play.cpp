// Plays a clip on the libmpv player with the null video output at rate 1 for
// a while, so that the runner can read its CPU time from outside. Prints
// {"figure":"play_ours","started":T} (monotonic seconds) once playing.
// Usage: bench_play CLIP SECONDS
#include "bench_util.h"
#include "player_setup.h"

#include <QApplication>

#include <clocale>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = QApplication::arguments();
    if (args.size() < 3)
        return 2;
    AVPlayerViewAcceptsDrop view;
    MpvPlayer* player = bench::loadInto(&view, MpvPlayer::VideoOutput::None, args[1]);
    if (!player) {
        std::fprintf(stderr, "bench_play: cannot play %s\n", qPrintable(args[1]));
        return 1;
    }
    player->setRate(1.0f);
    bench::emitResult({{"figure", "play_ours"}, {"started", bench::monotonicSeconds()}});
    QTimer::singleShot(int(args[2].toDouble() * 1000), &app, &QCoreApplication::quit);
    return app.exec();
}
