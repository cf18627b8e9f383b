// Reopening: a transcript of 100 000 lines reopened from its file with its
// video beside it, in the libmpv player, from the request until a key
// pressed in the picture (through the X server) is recorded at the last
// line's time; a key put in by time in the middle of a transcript against one
// at its end; and the marking of the playhead's line while the video plays.
// The reopened lines span the clip's first 50 s (a line every half
// millisecond), so that the last line's frame is in it; the insertions and
// the marking take lines 0.37 s apart, read by a still player. Prints
//   {"figure":"reopen","reopen_ms":R,"reopen_settled_ms":S,
//    "insert_mid_median_ms":..,"insert_mid_p99_ms":..,"insert_end_median_ms":..,
//    "insert_end_p99_ms":..,"mark_median_ms":..,"mark_p99_ms":..,"mark_rebuild_ms":..,
//    "ok":B}
// reopen_settled_ms: until the player also stands on the last line's frame.
// Usage: bench_reopen CLIP (at least 50 s long)
#include "bench_util.h"
#include "player_setup.h"
#include "session_window.h"
#include "still_player.h"
#include "x_keys.h"

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
#include <QTextBlock>
#include <QThread>

#include <clocale>
#include <cmath>
#include <functional>
#include <memory>

namespace {

constexpr int kLines = 100000;
constexpr double kStep = 0.37;         // seconds between lines
constexpr double kReopenStep = 0.0005; // between the reopened lines: 50 s in all
constexpr std::uint8_t kKeycodeA = 38; // "a" in the X server's default keymap
constexpr int kSamples = 200;

// Transcript lines step seconds apart, the entries of a coding session.
QString transcriptLines(double step) {
    static const QString names[] = {QStringLiteral("a"), QStringLiteral("shift-B"),
                                    QStringLiteral("F5"), QStringLiteral("play_x_1.00"),
                                    QStringLiteral("stop")};
    QString text;
    for (int i = 0; i < kLines; ++i)
        text +=
            timeStampedLine(i * step, QStringLiteral("14:03:09"), names[i % 5]) + QLatin1Char('\n');
    return text;
}

// Runs the event loop until done() or timeoutMs passed; done()'s last answer.
bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    const double end = bench::monotonicSeconds() + timeoutMs / 1000.0;
    while (!done() && bench::monotonicSeconds() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
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
    if (args.size() < 2)
        return 2;
    bench::SessionWindow session;
    QPlainTextEdit* script = session.script;
    installJournal();
    // The program's player, waiting with no video, and the keyboard on its window.
    auto mpv = std::make_unique<MpvPlayer>();
    MpvPlayer* video = mpv.get();
    session.view->setPlayer(std::move(mpv));
    bench::XKeys keys;
    session.window.activateWindow();
    bool ok = keys.ok() && spinUntil([&] { return session.window.isActiveWindow(); }, 5000);

    // The file an earlier session wrote, and its video beside it.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("2026.12.05-18.14.46--bench.txt"));
    QFile out(file);
    ok = out.open(QIODevice::WriteOnly) &&
         out.write((transcriptHeader(QStringLiteral("Saturday, December 5, 2026 6:14:46 PM"),
                                     QStringLiteral("bench")) +
                    transcriptLines(kReopenStep))
                       .toUtf8()) > 0 &&
         QFile::copy(args[1], folder.filePath(QStringLiteral("bench.mp4"))) && ok;
    out.close();

    double t0 = bench::monotonicSeconds();
    ok = reopenTranscript(file) && ok;
    const int shown = script->document()->blockCount();
    // The server stamps keys in whole milliseconds: one pressed within the
    // millisecond of the reopen's seek would read as pressed before it.
    QThread::msleep(2);
    keys.tap(kKeycodeA);
    ok = spinUntil([&] { return script->document()->blockCount() > shown; }, 10000) && ok;
    const double reopenMs = bench::msSince(t0);
    ok = (video->isSettled() || bench::waitSettled(video, 20000)) && ok;
    const double settledMs = bench::msSince(t0);
    // The key went in after the last line, at its time, and the video is there.
    const QTextBlock keyLine = script->document()->lastBlock().previous();
    ok = ok && shown > kLines && video->status() == ItemStatus::ReadyToPlay &&
         keyLine.text().endsWith(QStringLiteral("  a")) &&
         keyLine.text().left(10) == keyLine.previous().text().left(10) &&
         std::abs(video->currentTime() - *lastLineTime()) < 1e-9;

    // The rest reads a still player, on lines 0.37 s apart.
    auto still = std::make_unique<StillPlayer>();
    StillPlayer* player = still.get();
    session.view->setPlayer(std::move(still));
    setTranscriptLines(transcriptLines(kStep));

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
                       {"reopen_settled_ms", settledMs},
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
