// Key to transcript line: the time one key press takes from the player
// view's key entry (recordKey and the append to the transcript) with 0,
// 10 000 and 100 000 lines already in the transcript. With --journal the
// crash journal listens to the transcript, as in the program; with
// --timeline the timeline strip does.
#include "bench_util.h"
#include "still_player.h"

#include "platform/date_format.h"
#include "session/format.h"
#include "session/key_recording.h"
#include "session/state.h"
#include "session/transcript.h"
#include "transport/player_view.h"
#include "window/timeline_strip.h"
#if __has_include("storage/journal.h")
#include "storage/journal.h"
#define BENCH_HAVE_JOURNAL 1
#endif

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <clocale>

namespace {

// Fills the transcript up to lines lines with lines of the usual shape.
void fillTo(QPlainTextEdit* script, int lines) {
    int have = script->document()->blockCount() - 1;
    static const QString names[] = {QStringLiteral("a"), QStringLiteral("shift-B"),
                                    QStringLiteral("F5"), QStringLiteral("play_x_1.00"),
                                    QStringLiteral("stop")};
    for (; have < lines; ++have)
        recordNote(timeStampedLine(have * 0.37, QStringLiteral("14:03:09"), names[have % 5]));
    QCoreApplication::processEvents();
}

QJsonObject measure(AVPlayerViewAcceptsDrop* view, int keys, int lines, bool journal) {
    KeyEvent key;
    key.keyCode = 0; // the A key
    key.characters = QStringLiteral("a");
    std::vector<double> us;
    us.reserve(std::size_t(keys));
    for (int i = 0; i < keys; ++i) {
        const double t0 = bench::monotonicSeconds();
        view->keyDown(key);
        us.push_back((bench::monotonicSeconds() - t0) * 1e6);
        // Let the view lay out and paint between keys, untimed, as between
        // two presses in use.
        QCoreApplication::processEvents();
    }
    return {{"figure", "key_line"},
            {"lines", lines},
            {"journal", journal},
            {"timeline", QApplication::arguments().contains(QStringLiteral("--timeline"))},
            {"n", keys},
            {"median_us", bench::median(us)},
            {"p99_us", bench::percentile(us, 99.0)}};
}

// Where a key's time goes: the clock text (a date formatter), the key's name
// and the append alone, each timed on its own.
QJsonObject measureParts(int keys, int lines) {
    KeyEvent key;
    key.keyCode = 0;
    key.characters = QStringLiteral("a");
    std::vector<double> clock, name, append;
    for (int i = 0; i < keys; ++i) {
        double t0 = bench::monotonicSeconds();
        const QString c = clockText();
        double t1 = bench::monotonicSeconds();
        const QString entry = modifierPrefix(key) + keyNameFor(key);
        double t2 = bench::monotonicSeconds();
        recordNote(timeStampedLine(12.3456, c, entry));
        double t3 = bench::monotonicSeconds();
        clock.push_back((t1 - t0) * 1e6);
        name.push_back((t2 - t1) * 1e6);
        append.push_back((t3 - t2) * 1e6);
        QCoreApplication::processEvents();
    }
    return {{"figure", "key_line_parts"},
            {"lines", lines},
            {"clock_us", bench::median(clock)},
            {"name_us", bench::median(name)},
            {"append_us", bench::median(append)}};
}

} // namespace

int main(int argc, char* argv[]) {
    // Keep the journal and any file away from the user's own Documents.
    QTemporaryDir home;
    bench::useTemporaryHome(home);

    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    const QStringList args = QApplication::arguments();
    const bool journal = args.contains(QStringLiteral("--journal"));
    const int keys = 2000;

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new AVPlayerViewAcceptsDrop;
    auto* echo = new QLabel;
    auto* script = new QPlainTextEdit;
    layout->addWidget(view, 1);
    layout->addWidget(echo);
    layout->addWidget(script, 1);
    view->setPlayer(std::make_unique<StillPlayer>());
    if (args.contains(QStringLiteral("--timeline"))) {
        auto* strip = new TimelineStrip;
        layout->insertWidget(1, strip);
        strip->setPlayerSource([view] { return view->player(); });
        strip->setTranscript(script);
    }
    styleTranscript(script);
    stateDef& state = savedState();
    state.playerView = view;
    state.codeDisplay = echo;
    state.script = script;
    state.loadTime = QDateTime::currentDateTime();
    state.vidBasename = QStringLiteral("bench");
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();

    if (journal) {
#ifdef BENCH_HAVE_JOURNAL
        installJournal();
#else
        bench::emitResult({{"figure", "key_line"}, {"journal", true}, {"missing", "journal"}});
        return 0;
#endif
    }
    for (const int lines : {0, 10000, 100000}) {
        fillTo(script, lines);
        bench::emitResult(measure(view, keys, lines, journal));
        if (!journal)
            bench::emitResult(measureParts(500, lines));
    }
    return 0;
}
