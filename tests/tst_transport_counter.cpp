// The tape counter, the mark and the excursion, hops counted from the mark,
// and the playback rate, on a scripted player.
#include "session/state.h"
#include "support/logic_widgets.h"
#include "transport/hops.h"
#include "transport/rate.h"
#include "transport/tape_counter.h"

#include <QtTest>

#include <limits>
#include <optional>

using Seeks = std::vector<std::int64_t>;

class TransportCounter : public QObject {
    Q_OBJECT

    std::optional<LogicWidgets> w;

private slots:
    void init() { w.emplace(); }
    void cleanup() { w.reset(); }

    void textsOfCounterAndExcursion() {
        // A stored mark is the float nearest its time: 12.3456f lies above 12.3456.
        const struct {
            double t;
            float mark;
            QString counter, excursion;
        } rows[] = {{7.5, 10.0f, "    7.50", "   -2.50"},
                    {123456.78, 0.0f, "123456.78", "123456.78"},
                    {12.3456, 12.3456f, "   12.35", "   -0.00"},
                    {3.3, 3.3f, "    3.30", "    0.00"}};
        for (const auto& r : rows) {
            QCOMPARE(counterText(r.t), r.counter);
            QCOMPARE(excursionText(r.t, r.mark), r.excursion);
        }
    }

    void markTakesThePlayheadAsA32BitFloat() {
        setMarkAtPlayhead(); // no player: nothing
        QVERIFY(w->mark.text().isEmpty());
        FakePlayer* player = w->givePlayer(1.0f, 0.005);
        savedState().hopTotal = 1500;
        setMarkAtPlayhead(); // the text reads the playhead: 0.005f lies below 0.005
        QCOMPARE(w->mark.text(), QStringLiteral("0.01"));
        player->time = 12.3456;
        setMarkAtPlayhead();
        QCOMPARE(double(savedState().markTime), 12.345600128173828);
        QCOMPARE(w->mark.text(), QStringLiteral("12.35"));
        // Marking does not pause, seek or move the hop offset.
        QCOMPARE(player->rate(), 1.0f);
        QVERIFY(player->seeks.empty());
        QCOMPARE(savedState().hopTotal, std::int64_t(1500));
    }

    void refresherShowsThePlayheadAndFollowsWindowActivity() {
        QLabel window(QStringLiteral("a window of the program"));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        tapeCounter();
        tapeCounter(); // one refresher only
        savedState().markTime = 10.0f;
        FakePlayer* player = w->givePlayer(0.0f, 7.5);
        QTRY_COMPARE(w->counter.text(), QStringLiteral("    7.50"));
        QTRY_COMPARE(w->excursion.text(), QStringLiteral("   -2.50"));
        QCOMPARE(tapeCounterPeriodMs(), 50);
        // No window of the program active: twice a second; active again: at once back.
        window.hide();
        QTRY_COMPARE(tapeCounterPeriodMs(), 500);
        player->time = 8.0;
        QTRY_COMPARE(w->counter.text(), QStringLiteral("    8.00"));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_COMPARE_WITH_TIMEOUT(tapeCounterPeriodMs(), 50, 500);
    }

    void hopsAreCountedFromTheMarkNotFromThePlayhead() {
        hopAhead(); // no player: nothing moves
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        FakePlayer* player = w->givePlayer(1.0f, 20.0);
        savedState().markTime = 10.0f;
        hopAhead();
        QCOMPARE(player->rate(), 0.0f);
        player->setRateSilently(1.0f);
        hopAhead();
        QCOMPARE(player->rate(), 0.0f);
        hopFiner(); // no seek; the next hop continues from the offset
        hopAhead();
        // A new mark keeps the offset: the next hop lands beside the new mark.
        savedState().markTime = 12.3456f;
        hopBack();
        QCOMPARE(savedState().hopTotal, std::int64_t(2000));
        // Home is the mark; hops count on below it, and below zero.
        savedState().markTime = 0.0f;
        player->setRateSilently(2.0f);
        hopHome();
        QCOMPARE(player->rate(), 0.0f);
        hopBack();
        hopBack();
        QCOMPARE(savedState().hopTotal, std::int64_t(-1000));
        QCOMPARE(player->seeks, (Seeks{11000, 12000, 12500, 14346, 0, -500, -1000}));
    }

    void hopSizesStepThroughTheListAndStopAtItsEnds() {
        const std::pair<void (*)(), const char*> steps[] = {
            {hopFiner, "0.50"},   {hopFiner, "0.20"},   {hopFiner, "0.10"},   {hopFiner, "0.10"},
            {hopCoarser, "0.20"}, {hopCoarser, "0.50"}, {hopCoarser, "1.00"}, {hopCoarser, "2.00"},
            {hopCoarser, "5.00"}, {hopCoarser, "5.00"}};
        for (const auto& [step, size] : steps) {
            step();
            QCOMPARE(w->back.text(), QStringLiteral("\u25C0 ") + QLatin1String(size));
            QCOMPARE(w->ahead.text(), QLatin1String(size) + QStringLiteral(" \u25B6"));
        }
        savedState().hopSize = 300; // outside the list: no step
        hopFiner();
        hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(300));
    }

    void rateLabelsReadAsFloats() {
        const std::pair<const char*, float> labels[] = {
            {"0.1", 0.1f},
            {"0.25", 0.25f},
            {"16", 16.0f},
            {"2x", 2.0f},
            {"-1.5", -1.5f},
            {"  \t0.5 speed", 0.5f},
            {"+3", 3.0f},
            {"1e1x", 10.0f},
            {"2e", 2.0f},
            {"2e-x", 2.0f},
            {".75", 0.75f},
            {"fast", 0.0f},
            {"", 0.0f},
            {".", 0.0f},
            {"0x10", 0.0f},
            {"1,5", 1.0f},
            {"1e99", std::numeric_limits<float>::infinity()}};
        for (const auto& [label, value] : labels)
            QVERIFY2(floatValue(QString::fromLatin1(label)) == value, label);
    }

    void everyRateChoiceIsStoredAndRecorded() {
        // The rate applies to a playing video only; the same rate twice is two lines.
        const struct {
            int player; // -1 none, 0 stopped, 1 playing
            float rate;
            QString time, entry;
        } rows[] = {{1, 0.5f, "   83.20", "rate_set_to_0.50"},
                    {0, 16.0f, "   83.20", "rate_set_to_16.00"},
                    {1, 0.333f, "   83.20", "rate_set_to_0.33"},
                    {1, 0.0f, "   83.20", "rate_set_to_0.00"},
                    {-1, 2.0f, "   -1.00", "rate_set_to_2.00"}};
        for (const auto& r : rows) {
            w.reset();
            w.emplace();
            FakePlayer* fake = w->givePlayer(float(r.player > 0), 83.2);
            if (r.player < 0)
                savedState().playerView = nullptr;
            for (int n = 1; n <= 2; ++n) {
                setRate(r.rate);
                QCOMPARE(savedState().playAtRate, r.rate);
                const QStringList lines = w->lines();
                QCOMPARE(lines.size(), n);
                QVERIFY2(lines.last().startsWith(r.time + "  ") &&
                             lines.last().endsWith("  " + r.entry),
                         qPrintable(lines.last()));
                QCOMPARE(w->echo.text(), lines.last());
            }
            if (r.player >= 0)
                QCOMPARE(fake->rate(), r.player > 0 ? r.rate : 0.0f);
            if (r.player == 0)
                QVERIFY(fake->rateCalls.empty());
        }
    }
};

QTEST_MAIN(TransportCounter)
#include "tst_transport_counter.moc"
