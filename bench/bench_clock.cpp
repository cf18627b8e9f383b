// The stopwatch clock: the libmpv player (null video output) plays the
// placeholder at rate 1 and its current time is read about every millisecond
// for a while, against the monotonic wall clock. Prints
//   {"figure":"clock","resolution_ms":R,"longest_still_ms":S,"drift_ms":D,
//    "max_deviation_ms":M,"backward_steps":B,"longest_still_at":T,
//    "stills_over_5ms":[...],"samples":N,"median_interval_ms":I,
//    "longest_sampling_gap_ms":G}
// S is the longest time one reading stood still, from the first to the last
// sample that showed it; R is S or, when the reading moved at every sample,
// the median time between samples I (the finest step this sampling can see).
// D is how much more (or less) the clock advanced than the wall clock from
// the first second to the end; M the largest such difference on the way.
// Usage: bench_clock VIDEO SECONDS
#include "bench_util.h"
#include "player_setup.h"

#include <QApplication>
#include <QJsonArray>

#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <thread>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = QApplication::arguments();
    if (args.size() < 3)
        return 2;
    const double seconds = args[2].toDouble();
    AVPlayerViewAcceptsDrop view;
    MpvPlayer* player = bench::loadInto(&view, MpvPlayer::VideoOutput::None, args[1]);
    if (!player) {
        std::fprintf(stderr, "bench_clock: cannot play %s\n", qPrintable(args[1]));
        return 1;
    }
    player->setRate(1.0f);

    // Settle for a second: the first frames anchor the clock.
    const double begin = bench::monotonicSeconds();
    while (bench::monotonicSeconds() - begin < 1.0) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    QCoreApplication::processEvents();
    const double w0 = bench::monotonicSeconds();
    const double r0 = player->currentTime();
    // A reading stood still from the first to the last sample that showed it;
    // a gap in the sampling itself (the sampler not scheduled) proves nothing.
    double last = r0, firstSeen = w0, lastSeen = w0;
    double longestStill = 0.0, stillAt = r0, maxDeviation = 0.0, longestGap = 0.0;
    std::vector<double> intervals;
    std::vector<double> stills; // readings that stood still for more than 5 ms
    double w = w0, r = r0;
    int backward = 0, samples = 0;
    auto closeStill = [&] {
        const double still = lastSeen - firstSeen;
        if (still > longestStill) {
            longestStill = still;
            stillAt = last;
        }
        if (still > 0.005)
            stills.push_back(last);
    };
    while (w - w0 < seconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QCoreApplication::processEvents();
        const double before = w;
        w = bench::monotonicSeconds();
        r = player->currentTime();
        ++samples;
        longestGap = std::max(longestGap, w - before);
        intervals.push_back(w - before);
        if (r != last) {
            closeStill();
            if (r < last)
                ++backward;
            last = r;
            firstSeen = w;
        }
        lastSeen = w;
        maxDeviation = std::max(maxDeviation, std::abs((r - r0) - (w - w0)));
    }
    closeStill();
    QJsonArray stillList;
    for (const double at : stills)
        stillList.append(at);
    bench::emitResult({{"figure", "clock"},
                       {"resolution_ms", std::max(longestStill, bench::median(intervals)) * 1000.0},
                       {"longest_still_ms", longestStill * 1000.0},
                       {"median_interval_ms", bench::median(intervals) * 1000.0},
                       {"drift_ms", ((r - r0) - (w - w0)) * 1000.0},
                       {"max_deviation_ms", maxDeviation * 1000.0},
                       {"backward_steps", backward},
                       {"longest_still_at", stillAt},
                       {"stills_over_5ms", stillList},
                       {"samples", samples},
                       {"longest_sampling_gap_ms", longestGap * 1000.0}});
    return 0;
}
