// Save: saveAndClearScript of a transcript of 100 000 lines, with the crash
// journal listening as in the program. Each round refills the transcript and
// times the save alone. The steps of a save (reading the text, counting its
// characters, writing a file, syncing the folder, emptying the view) are also
// timed on their own, to show where the time goes.
#include "bench_util.h"
#include "session_window.h"
#include "still_player.h"

#include "session/format.h"
#include "session/state.h"
#include "session/text_units.h"
#include "session/transcript.h"
#include "storage/file_writer.h"
#include "storage/journal.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"
#include "transport/player_view.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <clocale>

namespace {

constexpr int kLines = 100000;
constexpr int kRounds = 3;

void fill(QPlainTextEdit* script) {
    static const QString names[] = {QStringLiteral("a"), QStringLiteral("shift-B"),
                                    QStringLiteral("F5"), QStringLiteral("play_x_1.00"),
                                    QStringLiteral("stop")};
    for (int i = script->document()->blockCount() - 1; i < kLines; ++i)
        recordNote(timeStampedLine(i * 0.37, QStringLiteral("14:03:09"), names[i % 5]));
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char* argv[]) {
    // The files go to a Documents folder of our own.
    QTemporaryDir home;
    bench::useTemporaryHome(home);

    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));

    bench::SessionWindow session;
    QPlainTextEdit* script = session.script;
    stateDef& state = savedState();
    state.vidBasename = QStringLiteral("bench");
    installJournal();

    std::vector<double> save, text, count, write, sync;
    const QDateTime start = QDateTime::currentDateTime();
    bool written = true;
    for (int round = 0; round < kRounds; ++round) {
        // A session of its own per round: its own file name and journal.
        state.loadTime = start.addSecs(round);
        fill(script);

        // The steps alone, on the same transcript.
        double t0 = bench::monotonicSeconds();
        const QString whole = transcriptText();
        text.push_back(bench::msSince(t0));
        t0 = bench::monotonicSeconds();
        const bool long_enough = graphemeCount(whole, 3) > 2;
        count.push_back(bench::msSince(t0));
        QTemporaryDir scratch;
        t0 = bench::monotonicSeconds();
        writeNewFile(scratch.path(), QStringLiteral("probe"), QStringLiteral(".txt"),
                     whole.toUtf8());
        write.push_back(bench::msSince(t0));

        t0 = bench::monotonicSeconds();
        syncFolder(storageURL().toLocalFile());
        sync.push_back(bench::msSince(t0));

        t0 = bench::monotonicSeconds();
        const bool ok = saveAndClearScript();
        save.push_back(bench::msSince(t0));
        written = written && ok && long_enough && script->document()->isEmpty();
    }
    // Emptying the transcript view alone, as the save does at its end.
    state.loadTime = start.addSecs(kRounds);
    fill(script);
    double t0 = bench::monotonicSeconds();
    script->clear();
    const double clear = bench::msSince(t0);
    const QDir folder(storageURL().toLocalFile());
    const int files =
        int(folder.entryList({QStringLiteral("[0-9]*--bench.txt")}, QDir::Files).size());
    bench::emitResult({{"figure", "save"},
                       {"lines", kLines},
                       {"n", kRounds},
                       {"ok", written && files == kRounds},
                       {"median_ms", bench::median(save)},
                       {"max_ms", bench::percentile(save, 100.0)},
                       {"text_ms", bench::median(text)},
                       {"count_ms", bench::median(count)},
                       {"write_ms", bench::median(write)},
                       {"sync_ms", bench::median(sync)},
                       {"clear_ms", clear}});
    return 0;
}
