// Exact seek and hop on the libmpv player with the null video output: each
// go-to (seekToTime with the text of the go-to field) or hop ahead (hopAhead
// from a mark) is timed until the player reports the seek settled on its
// frame. Prints {"figure":"seek_ours","label":L,"ms":[...],"landed":[...]}.
// Usage: bench_seek goto CLIP SECONDS...
//        bench_seek hop CLIP MARK_SECONDS HOPS   (hops of one second)
//        bench_seek steps CLIP FROM_SECONDS COUNT
// steps: COUNT frame steps back asked for 30 a second (an arrow key held
// down) from FROM_SECONDS, timed from the first until the last has landed
// (one figure).
#include "bench_util.h"
#include "player_setup.h"

#include "transport/hops.h"
#include "transport/seek.h"

#include <QApplication>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>

#include <clocale>
#include <cstdio>
#include <functional>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_seek goto|hop CLIP ...\n");
        return 2;
    }
    const QString label = args[1];

    // The widgets that hops write to.
    AVPlayerViewAcceptsDrop view;
    QLabel mark, tape, excursion;
    QPushButton back, ahead;
    stateDef& state = savedState();
    state.markDisplay = &mark;
    state.tapeCounterDisplay = &tape;
    state.excursionDisplay = &excursion;
    state.backButton = &back;
    state.aheadButton = &ahead;
    MpvPlayer* player = bench::loadInto(&view, MpvPlayer::VideoOutput::None, args[2]);
    if (!player) {
        std::fprintf(stderr, "bench_seek: cannot play %s\n", qPrintable(args[2]));
        return 1;
    }

    std::vector<std::function<void()>> moves;
    if (label == QStringLiteral("steps")) {
        seekToTime(args[3].toDouble());
        bench::waitSettled(player, 20000);
        const int count = args.value(4).toInt();
        moves.emplace_back([player, count] {
            for (int i = 0; i < count; ++i) {
                player->stepFrame(false);
                const double next = bench::monotonicSeconds() + 1.0 / 30.0;
                while (bench::monotonicSeconds() < next)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
        });
    } else if (label == QStringLiteral("hop")) {
        const double markAt = args[3].toDouble();
        const int hops = args.value(4).toInt();
        // Stand at the mark first, untimed.
        seekToTime(markAt);
        bench::waitSettled(player, 20000);
        state.markTime = float(markAt);
        state.hopSize = 1000;
        state.hopTotal = 0;
        for (int i = 0; i < hops; ++i)
            moves.emplace_back([] { hopAhead(); });
    } else {
        for (qsizetype i = 3; i < args.size(); ++i)
            moves.emplace_back([text = args[i]] { seekToTime(text); });
    }

    QJsonArray ms, landed;
    for (const auto& move : moves) {
        const double t0 = bench::monotonicSeconds();
        move();
        if (!player->isSettled() && !bench::waitSettled(player, 60000)) {
            std::fprintf(stderr, "bench_seek: a seek did not settle\n");
            return 1;
        }
        ms.append((bench::monotonicSeconds() - t0) * 1000.0);
        landed.append(player->currentTime());
    }
    bench::emitResult({{"figure", "seek_ours"}, {"label", label}, {"ms", ms}, {"landed", landed}});
    return 0;
}
