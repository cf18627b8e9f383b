// The timeline strip on a transcript of 100 000 lines coded with a scheme of
// states and points, on real widgets: the time from a key's line being in the
// transcript to the strip coded and painted again (refresh and a synchronous
// repaint), 500 keys; then an edit at the top, which codes every line again,
// and a zoom, which draws every row again. Prints
//   {"figure":"timeline","lines":N,"key_median_ms":..,"key_p99_ms":..,
//    "edit_median_ms":..,"zoom_median_ms":..}
#include "bench_util.h"
#include "still_player.h"

#include "session/format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "window/timeline_strip.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include <clocale>

namespace {

class LongStill : public StillPlayer {
public:
    double duration() const override { return 40000.0; }
};

const char* const kKeys[] = {"a", "s", "p", "d", "a", "q", "stop", "s", "p", "play_x_1.00"};

// Codes and paints the strip; the time it took, in ms.
double redraw(TimelineStrip* strip) {
    const double t0 = bench::monotonicSeconds();
    strip->refresh();
    strip->repaint();
    return (bench::monotonicSeconds() - t0) * 1000.0;
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    bench::useTemporaryHome(home);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QString scheme = home.filePath(QStringLiteral("coding-scheme.txt"));
    QFile file(scheme);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write("a walk state move\ns sit state move\nd dig state\np peck point\n"
                   "q call point\n") < 0)
        return 1;
    file.close();

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* strip = new TimelineStrip;
    auto* script = new QPlainTextEdit;
    layout->addWidget(strip);
    layout->addWidget(script, 1);
    styleTranscript(script);
    savedState().script = script;
    LongStill player;
    strip->setPlayerSource([&player] { return &player; });
    strip->setGoTo({});
    strip->setSchemeFile(scheme);
    strip->setTranscript(script);
    window.resize(1000, 500);
    window.show();
    QCoreApplication::processEvents();

    const int lines = 100000;
    QString text;
    for (int i = 0; i < lines; ++i)
        text += timeStampedLine(i * 0.37, QStringLiteral("14:03:09"), kKeys[i % 10]) + '\n';
    script->setPlainText(text);
    redraw(strip);

    std::vector<double> key, edit, zoom;
    for (int i = 0; i < 500; ++i) {
        recordNote(timeStampedLine((lines + i) * 0.37, QStringLiteral("14:03:09"),
                                   QLatin1String(kKeys[i % 10])));
        key.push_back(redraw(strip));
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < 20; ++i) {
        QTextCursor top(script->document()->firstBlock());
        top.insertText(QStringLiteral("x"));
        edit.push_back(redraw(strip));
        strip->setShown(i % 2 ? TimeWindow{0, 40000000} : TimeWindow{1000000, 2000000});
        const double t0 = bench::monotonicSeconds();
        strip->repaint();
        zoom.push_back((bench::monotonicSeconds() - t0) * 1000.0);
        QCoreApplication::processEvents();
    }
    bench::emitResult({{"figure", "timeline"},
                       {"lines", lines},
                       {"rows", strip->rowCount()},
                       {"key_median_ms", bench::median(key)},
                       {"key_p99_ms", bench::percentile(key, 99.0)},
                       {"edit_median_ms", bench::median(edit)},
                       {"zoom_median_ms", bench::median(zoom)}});
    return 0;
}
