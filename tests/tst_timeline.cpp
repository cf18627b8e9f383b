// The timeline strip on a real widget: bars, ticks and the playhead at their
// columns and rows, redrawn on edits, undo and scheme changes; clicks, zoom,
// tooltips; and bad input drawn as far as it goes, without an alert.
#include "analysis/timeline.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "window/timeline_strip.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolTip>
#include <QtTest>

#include <cmath>
#include <optional>

namespace {

const QByteArray kScheme = "a walk state move\nr run state move\ng groom state\np peck point\n";

QString stamp(double seconds, const char* entry) {
    return QStringLiteral("%1  10:00:00  %2\n").arg(seconds, 8, 'f', 2).arg(QLatin1String(entry));
}

} // namespace

class Timeline : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::optional<AlertRecorder> alerts;
    std::optional<QPlainTextEdit> text;
    std::optional<TimelineStrip> strip;
    FakePlayer player;
    QLabel status;
    std::vector<double> wentTo;

    QString schemePath() const { return dir.filePath(QStringLiteral("coding-scheme.txt")); }
    QImage shot() { return strip->grab().toImage(); }
    // The column of a time, from the band's edges alone.
    int column(double ms) const {
        const QRectF band = strip->rowsBand();
        const TimeWindow w = strip->axis().shown;
        return int(std::floor(band.left() + (ms - w.from) * band.width() / w.length()));
    }
    int rowMiddle(int row) const {
        const QRectF band = strip->rowsBand();
        return int(band.top() + (row + 0.5) * band.height() / std::max(1, strip->rowCount()));
    }
    // Whether the colour at (x, the middle of row) is the row's own.
    bool coloured(const QImage& image, int x, int row) const {
        return image.pixelColor(x, rowMiddle(row)) == behaviourColour(row);
    }
    // Row's colour runs over exactly [from, to) ms, to within one pixel.
    void checkBar(const QImage& image, int row, double from, double to) {
        const int left = column(from), right = column(to);
        for (int x = left + 1; x < right - 1; ++x)
            QVERIFY2(coloured(image, x, row),
                     qPrintable(QStringLiteral("row %1 x %2").arg(row).arg(x)));
        QVERIFY2(!coloured(image, left - 2, row), qPrintable(QString::number(row)));
        QVERIFY2(!coloured(image, right + 1, row), qPrintable(QString::number(row)));
    }
    void checkTick(const QImage& image, int row, double ms) {
        const int x = column(ms);
        QVERIFY(coloured(image, x, row) || coloured(image, x + 1, row));
        QVERIFY(!coloured(image, x - 3, row) && !coloured(image, x + 4, row));
    }
    void setLines(const QString& lines) {
        text->setPlainText(lines);
        strip->refresh();
    }
    QString tooltipAt(QPoint p) {
        QHelpEvent help(QEvent::ToolTip, p, strip->mapToGlobal(p));
        QApplication::sendEvent(&*strip, &help);
        return QToolTip::text();
    }

private slots:
    void init() {
        alerts.emplace();
        QVERIFY(writeFile(schemePath(), kScheme));
        text.emplace();
        strip.emplace();
        player.time = 8.0;
        player.length = 10.0;
        strip->setPlayerSource([this] { return &player; });
        strip->setGoTo([this](double s) { wentTo.push_back(s); });
        strip->setStatusLine(&status);
        strip->setSchemeFile(schemePath());
        strip->setTranscript(&*text);
        strip->resize(640, strip->height());
        strip->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*strip));
        // Walk, then run (walk stops: one group), run stops, a peck, grooming
        // still active at the playhead (8 s), another peck.
        setLines(stamp(1, "a") + stamp(3, "r") + stamp(4, "r") + stamp(5, "p") + stamp(6, "g") +
                 stamp(7.5, "p"));
    }
    void cleanup() {
        QVERIFY(alerts->alerts.empty());
        strip.reset();
        text.reset();
        alerts.reset();
    }

    // The pure geometry: the whole stretch, zooms kept inside it, the page
    // turned after the playhead, rows.
    void geometry() {
        // Length, any stamp, first, last, playhead -> whole.
        const std::tuple<double, bool, double, double, double, double, double> wholes[] = {
            {10000, true, 1000, 7500, 8000, 0, 10000}, {10000, true, -500, 12000, 0, -500, 12000},
            {0, true, 400, 12300, 0, 0, 14000},        {0, false, 0, 0, 0, 0, 1000},
            {-1, true, 0, 37e6, 0, 0, 40e6},           {NAN, false, 0, 0, 1e15, 0, 1e15}};
        for (const auto& [length, any, first, last, head, from, to] : wholes) {
            const TimeWindow w = wholeWindow(length, any, first, last, head);
            QCOMPARE(w.from, from);
            QCOMPARE(w.to, to);
        }
        const TimeWindow all{0, 10000};
        // Shown, anchor, factor -> shown after.
        const std::tuple<TimeWindow, double, double, TimeWindow> zooms[] = {
            {all, 2500, 0.5, {1250, 6250}},
            {all, 0, 0.01, {0, 1000}},
            {{9000, 10000}, 9500, 4, {6000, 10000}},
            {{1000, 3000}, 2000, 100, all}};
        for (const auto& [shown, anchor, factor, after] : zooms) {
            const TimeWindow z = zoomAround(shown, anchor, factor, all);
            QCOMPARE(z.from, after.from);
            QCOMPARE(z.to, after.to);
        }
        QCOMPARE(followPlayhead({0, 1000}, 500, all).from, 0.0);
        QCOMPARE(followPlayhead({0, 1000}, 1200, all).from, 1100.0);
        QCOMPARE(followPlayhead({0, 1000}, 9990, all).from, 9000.0);
        QCOMPARE(rowAt(10 + 3 * 16 + 1, 4, 10, 64), 3);
        QCOMPARE(rowAt(9, 4, 10, 64), -1);
        QCOMPARE(rowAt(10 + 0.5, 10000, 10, 64), 78);
    }

    void barsTicksAndPlayheadAtTheirColumns() {
        QCOMPARE(strip->rowCount(), 4);
        QCOMPARE(strip->axis().shown.from, 0.0);
        QCOMPARE(strip->axis().shown.to, 10000.0);
        QCOMPARE(strip->focusPolicy(), Qt::NoFocus);
        QVERIFY(!strip->accessibleName().isEmpty() && !strip->accessibleDescription().isEmpty());
        const QImage image = shot();
        checkBar(image, 0, 1000, 3000);
        checkBar(image, 1, 3000, 4000);
        checkBar(image, 2, 6000, 8000); // to the playhead
        checkTick(image, 3, 5000);
        checkTick(image, 3, 7500);
        const QColor head = image.pixelColor(column(8000), rowMiddle(3));
        QCOMPARE(head, QColor(Qt::white));
        // The playhead moves; the active bout follows it.
        player.time = 9.0;
        strip->followPlayer();
        checkBar(shot(), 2, 6000, 9000);
    }

    // An edit, an undo and a deletion in the transcript view show at once.
    void editsRedraw() {
        QTextCursor line(text->document()->findBlockByNumber(4)); // "6.00 g"
        line.movePosition(QTextCursor::EndOfBlock);
        line.deletePreviousChar();
        line.insertText(QStringLiteral("p"));
        QTRY_VERIFY(!coloured(shot(), column(7000), 2));
        checkTick(shot(), 3, 6000);
        text->undo();
        text->undo();
        QTRY_VERIFY(coloured(shot(), column(7000), 2));
        // Lines go; the run's stop with them, so run lasts to the playhead.
        QTextCursor stop(text->document()->findBlockByNumber(2));
        stop.select(QTextCursor::BlockUnderCursor);
        stop.removeSelectedText();
        QTRY_VERIFY(coloured(shot(), column(7000), 1));
        checkBar(shot(), 1, 3000, 8000);
        // A line added at the end.
        text->appendPlainText(stamp(9.5, "p").trimmed());
        QTRY_VERIFY(coloured(shot(), column(9500), 3));
    }

    // A click goes to the time of its column; the wheel zooms around the
    // pointer down to about a second; a tooltip names what is under it.
    void clickZoomAndHover() {
        const int x = column(2500), y = rowMiddle(1);
        QTest::mouseClick(&*strip, Qt::LeftButton, {}, QPoint(x, y));
        QCOMPARE(wentTo.size(), std::size_t(1));
        QVERIFY(std::abs(wentTo[0] * 1000 - timeAtX(strip->axis(), x)) < 0.5);
        QVERIFY(std::abs(wentTo[0] - 2.5) < 10.0 / strip->rowsBand().width());
        for (const int notches : {1, 3, 30}) {
            const double before = timeAtX(strip->axis(), x);
            QWheelEvent wheel(QPointF(x, y), strip->mapToGlobal(QPointF(x, y)), {},
                              QPoint(0, 120 * notches), Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&*strip, &wheel);
            QVERIFY(std::abs(timeAtX(strip->axis(), x) - before) < 0.5);
        }
        QVERIFY(std::abs(strip->axis().shown.length() - kShortestShown) < 0.5);
        // Playing while zoomed: the view follows the playhead.
        player.setRateSilently(1.0f);
        player.time = 9.5;
        strip->followPlayer();
        QVERIFY(strip->axis().shown.from <= 9500 && 9500 <= strip->axis().shown.to);
        player.setRateSilently(0.0f);

        strip->setShown(TimeWindow{0, 10000}); // back to the whole video
        const QString bar = tooltipAt(QPoint(column(2000), rowMiddle(0)));
        QVERIFY2(bar.contains(QStringLiteral("walk (state; key a)")) &&
                     bar.contains(QStringLiteral("1.000 – 3.000 (2.000 s)")),
                 qPrintable(bar));
        const QString tick = tooltipAt(QPoint(column(7500), rowMiddle(3)));
        QVERIFY2(tick.contains(QStringLiteral("peck (point; key p)")) &&
                     tick.contains(QStringLiteral("at 7.500")),
                 qPrintable(tick));
    }

    // The scheme file changes on disk: the strip redraws with it; a bad one
    // keeps the drawing and says why in the status line.
    void schemeFileIsWatched() {
        QVERIFY(writeFile(schemePath(), kScheme + "x extra point\n"));
        QTRY_COMPARE(strip->rowCount(), 5);
        status.setText(QStringLiteral("2026.12.08-10.00.00"));
        QVERIFY(writeFile(schemePath(), "a walk state\na twice point\n"));
        QTRY_VERIFY(strip->problem().contains(QStringLiteral("coding-scheme.txt:2:")));
        QCOMPARE(strip->rowCount(), 5);
        QVERIFY(status.text().startsWith(QStringLiteral("2026.12.08-10.00.00 — ")));
        QVERIFY(status.text().contains(QStringLiteral("key a is named twice")));
        QVERIFY(QFile::remove(schemePath()));
        // No scheme: one row per key, in order of first use.
        QTRY_COMPARE(strip->rowCount(), 4);
        QCOMPARE(strip->coding().behaviours[1].name, QStringLiteral("r"));
        QCOMPARE(status.text(), QStringLiteral("2026.12.08-10.00.00"));
    }

    // Nothing time-stamped, time going back, an unknown length, 10 000
    // behaviours: drawn as far as it goes, the reason in the tooltip.
    void badInput() {
        setLines(QStringLiteral("a note\n"));
        QVERIFY(strip->problem().contains(QStringLiteral("no line of the transcript has a time")));
        QVERIFY(tooltipAt(QPoint(column(5000), rowMiddle(0))).contains(strip->problem()));
        player.length = 0;
        setLines(stamp(4, "a") + stamp(2, "a") + stamp(12, "p"));
        strip->followPlayer();
        QCOMPARE(strip->axis().shown.to, 12000.0); // the lines' span without a length
        QVERIFY(strip->problem().isEmpty());
        QByteArray many;
        for (int i = 0; i < 10000; ++i)
            many += "k" + QByteArray::number(i) + " b" + QByteArray::number(i) + " point\n";
        const int height = strip->height();
        QVERIFY(writeFile(schemePath(), many));
        QTRY_COMPARE(strip->rowCount(), 10000);
        QVERIFY(strip->height() <= height + 2 * 30 && strip->rowsBand().height() <= 6 * 30);
        setLines(stamp(1, "k9999") + stamp(2, "k0"));
        checkTick(shot(), 0, 2000);
    }
};

QTEST_MAIN(Timeline)
#include "tst_timeline.moc"
