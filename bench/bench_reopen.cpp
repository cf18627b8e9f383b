// Reopening: a transcript of 100 000 lines reopened from its file (from the
// request until keys are recorded), a key put in by time in the middle of it
// against one at its end, and the marking of the playhead's line while the
// video plays. Prints
//   {"figure":"reopen","reopen_ms":R,"insert_mid_median_ms":..,
//    "insert_mid_p99_ms":..,"insert_end_median_ms":..,"insert_end_p99_ms":..,
//    "mark_median_ms":..,"mark_p99_ms":..,"mark_rebuild_ms":..,"ok":B}
#include "bench_util.h"
#include "session_window.h"
#include "still_player.h"

#include "app/playhead_mark.h"
#include "app/reopen.h"
#include "session/format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/journal.h"
#include "storage/transcript_file.h"
#include "transport/player_view.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <clocale>

namespace {

constexpr int kLines = 100000;
constexpr double kStep = 0.37; // seconds between lines
constexpr int kSamples = 200;

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    bench::useTemporaryHome(home);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));

    bench::SessionWindow session;
    QPlainTextEdit* script = session.script;
    StillPlayer* player = session.player;
    installJournal();

    // The file an earlier session wrote, and its video beside it.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("2026.12.05-18.14.46--bench.txt"));
    QString text = transcriptHeader(QStringLiteral("Saturday, December 5, 2026 6:14:46 PM"),
                                    QStringLiteral("bench"));
    static const QString names[] = {QStringLiteral("a"), QStringLiteral("shift-B"),
                                    QStringLiteral("F5"), QStringLiteral("play_x_1.00"),
                                    QStringLiteral("stop")};
    for (int i = 0; i < kLines; ++i)
        text += timeStampedLine(i * kStep, QStringLiteral("14:03:09"), names[i % 5]) +
                QLatin1Char('\n');
    QFile out(file);
    bool ok = out.open(QIODevice::WriteOnly) && out.write(text.toUtf8()) > 0;
    out.close();

    double t0 = bench::monotonicSeconds();
    ok = reopenTranscript(file, folder.filePath(QStringLiteral("bench.mp4"))) && ok;
    QCoreApplication::processEvents();
    const double reopenMs = bench::msSince(t0);
    ok = ok && script->document()->blockCount() > kLines;

    // Keys in the middle and at the end, alternately.
    std::vector<double> mid, end;
    for (int i = 0; i < kSamples; ++i) {
        const double middle = (kLines / 2 + i) * kStep + 0.1;
        t0 = bench::monotonicSeconds();
        recordTimedNote(middle, QStringLiteral("k"));
        mid.push_back(bench::msSince(t0));
        t0 = bench::monotonicSeconds();
        recordTimedNote(kLines * kStep + i, QStringLiteral("k"));
        end.push_back(bench::msSince(t0));
    }
    QCoreApplication::processEvents();

    // The mark while playing: the playhead moves a frame (1/30 s) a look.
    PlayheadMark mark(script, session.view);
    t0 = bench::monotonicSeconds();
    mark.refresh();
    const double rebuildMs = bench::msSince(t0);
    std::vector<double> marks;
    for (int i = 0; i < kSamples * 5; ++i) {
        player->time = 1000.0 + i / 30.0;
        t0 = bench::monotonicSeconds();
        mark.refresh();
        marks.push_back(bench::msSince(t0));
    }
    ok = ok && mark.markedLine() >= 0;

    bench::emitResult({{"figure", "reopen"},
                       {"reopen_ms", reopenMs},
                       {"insert_mid_median_ms", bench::median(mid)},
                       {"insert_mid_p99_ms", bench::percentile(mid, 99)},
                       {"insert_end_median_ms", bench::median(end)},
                       {"insert_end_p99_ms", bench::percentile(end, 99)},
                       {"mark_median_ms", bench::median(marks)},
                       {"mark_p99_ms", bench::percentile(marks, 99)},
                       {"mark_rebuild_ms", rebuildMs},
                       {"ok", ok}});
    return ok ? 0 : 1;
}
