// The transport on a scripted player: loads, the go-to grammar and field,
// the counter's texts, the mark, hops counted from it, and the rate.
#include "session/state.h"
#include "support/logic_widgets.h"
#include "transport/goto_controller.h"
#include "transport/hops.h"
#include "transport/load_video.h"
#include "transport/player_view.h"
#include "transport/rate.h"
#include "transport/seek.h"
#include "transport/stopwatch.h"
#include "transport/tape_counter.h"

#include <QVBoxLayout>
#include <QtTest>

#include <optional>

using Seeks = std::vector<std::int64_t>;

class Transport : public QObject {
    Q_OBJECT

    std::optional<LogicWidgets> w;
    gotoController field;

    FakePlayer* fake() const { return static_cast<FakePlayer*>(w->view.player()); }

private slots:
    void init() {
        setPlayerFactory([] { return std::make_unique<FakePlayer>(); });
        w.emplace();
        savedState().gotoField = &field;
    }
    void cleanup() {
        w.reset();
        setPlayerFactory({});
    }

    void loadsKeepOnePlayerAndResetThePerVideoSession() {
        // Each load keeps the player and observer, pauses, resets the session; one fit per
        // readiness.
        stateDef& s = savedState();
        const QUrl clip = QUrl::fromLocalFile(QStringLiteral("/videos/clip.mov"));
        videoObserver* observer = nullptr;
        std::optional<QSignalSpy> fits;
        for (int load = 1; load <= 3; ++load) {
            s.loadTime = QDateTime::currentDateTime().addDays(-1);
            s.markTime = 5.5f;
            s.hopTotal = 3000;
            s.resizesSinceLoad = 3;
            w->echo.setText(QStringLiteral("    1.00  12:00:00  a"));
            field.setText(QStringLiteral("12"));
            loadVideo(&w->view, clip);
            if (!observer)
                fits.emplace(observer = VO(), &videoObserver::fittedWindow);
            QCOMPARE(VO(), observer);
            QCOMPARE(observer->objectToObserve.data(), w->view.player());
            QCOMPARE(fake()->items, std::vector<QUrl>(std::size_t(load), clip));
            QCOMPARE(fake()->pauseCalls, load - 1);
            QVERIFY(fake()->seeks.empty() && s.loadTime > QDateTime::currentDateTime().addSecs(-5));
            QCOMPARE((std::tuple{s.markTime, s.hopTotal, s.resizesSinceLoad}),
                     (std::tuple{0.0f, std::int64_t(0), std::int64_t(0)}));
            QCOMPARE(QStringList({w->mark.text(), w->echo.text(), field.text()}),
                     QStringList({"0.00", "", ""}));
            QCOMPARE(fits->count(), load - 1); // unknown: nothing yet
            fake()->setStatus(ItemStatus::ReadyToPlay);
            QCOMPARE(fits->count(), load);
            fake()->setRateSilently(1.0f); // playing when the next load comes
        }
        loadVideo(&w->view, clip); // a failed item fits nothing
        fake()->setStatus(ItemStatus::Failed);
        QCOMPARE(fits->count(), 3);
        // The placeholder's URL text, read as URL syntax, survives a blank in its path.
        loadVideo(&w->view, placeholderUrlText(QStringLiteral("/opt/my apps/keystamp")));
        QCOMPARE(fake()->items.back(), QUrl::fromLocalFile("/opt/my apps/keystamp/movie.mp4"));
    }

    void goToTextsPauseAndSeekOnceOrLeaveThePlayerAlone() {
        const std::pair<QString, qint64> accepted[] = {
            {"90", 90000},   {"12.3456", 12346},   {"0.0004", 0},  {"0.0005", 1},
            {"1e2", 100000}, {"1,234.5", 1234500}, {"1,5", 15000}, {".5", 500},
            {"0x10", 16000}, {"-1", -1000},        {"-0.0005", 0}, {"-1.0006", -1001}};
        QStringList rejected{"",  " 90", "90\n", "1:30", "12s",
                             "-", "inf", "nan",  "1e16", "\uff19\uff10"};
        rejected << QStringLiteral("9") + QChar(0) + '0';
        const auto check = [&](const QString& text, const Seeks& seeks) {
            FakePlayer* player = w->givePlayer(2.0f);
            seekToTime(text);
            QVERIFY2(player->seeks == seeks &&
                         player->rateCalls == std::vector<float>(seeks.size(), 0.0f),
                     qPrintable(text));
        };
        for (const auto& [text, ms] : accepted)
            check(text, {ms});
        for (const QString& text : rejected)
            check(text, {});
        QCOMPARE(seekMilliseconds(9.2e15), std::optional<std::int64_t>(9200000000000000000LL));
    }

    void theFieldPausesSeeksOnceAndGivesTheKeysBack() {
        // The view and the field in one window, for the time of this test.
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(&w->view);
        layout->addWidget(&field);
        const auto release = qScopeGuard([&] {
            w->view.setParent(nullptr);
            field.setParent(nullptr);
        });
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Ended by a key or (0) a click on the view; with a player or not; the seek (-1: none).
        const std::tuple<const char*, int, bool, qint64> rows[] = {
            {"5", Qt::Key_Return, false, -1},
            {"1,234.5", Qt::Key_Return, true, 1234500},
            {"42", Qt::Key_Tab, true, 42000},
            {"7", 0, true, 7000},
            {"1:30", Qt::Key_Enter, true, -1}};
        for (const auto& [text, end, withPlayer, ms] : rows) {
            FakePlayer* player = withPlayer ? w->givePlayer(1.0f) : nullptr;
            field.clear();
            QTest::mouseClick(&field, Qt::LeftButton);
            QVERIFY(field.hasFocus());
            QTest::keyClicks(&field, text);
            QTest::keyClick(&field, Qt::Key_Left);
            if (end)
                QTest::keyClick(&field, Qt::Key(end));
            else
                w->view.setFocus(Qt::MouseFocusReason);
            QCOMPARE(field.text(), QLatin1String(text));
            QVERIFY(field.cursorPosition() == int(strlen(text)) && !field.hasSelectedText());
            // Keys typed now reach the player view, not the field.
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&w->view));
            QVERIFY(!player ||
                    (player->rate() == 0.0f && player->seeks == (ms < 0 ? Seeks{} : Seeks{ms})));
        }
    }

    void textsOfCounterAndExcursion() {
        // A stored mark is the float nearest its time: 12.3456f lies above 12.3456.
        const std::tuple<double, float, const char*, const char*> rows[] = {
            {7.5, 10.0f, "    7.50", "   -2.50"},
            {123456.78, 0.0f, "123456.78", "123456.78"},
            {12.3456, 12.3456f, "   12.35", "   -0.00"},
            {3.3, 3.3f, "    3.30", "    0.00"}};
        for (const auto& [t, mark, counter, excursion] : rows)
            QCOMPARE(QStringList({counterText(t), excursionText(t, mark)}),
                     QStringList({counter, excursion}));
    }

    void markTakesThePlayheadAsA32BitFloat() {
        FakePlayer* player = w->givePlayer(1.0f, 0.005);
        savedState().hopTotal = 1500;
        setMarkAtPlayhead(); // the text reads the playhead: 0.005f lies below 0.005
        QCOMPARE(w->mark.text(), QStringLiteral("0.01"));
        player->time = 12.3456;
        setMarkAtPlayhead();
        QCOMPARE(double(savedState().markTime), 12.345600128173828);
        QCOMPARE(w->mark.text(), QStringLiteral("12.35"));
        // Marking does not pause, seek or move the hop offset.
        QCOMPARE((std::tuple{player->rate(), player->seeks.size(), savedState().hopTotal}),
                 (std::tuple{1.0f, std::size_t(0), std::int64_t(1500)}));
    }

    void hopsAreCountedFromTheMarkNotFromThePlayhead() {
        FakePlayer* player = w->givePlayer(1.0f, 20.0);
        savedState().markTime = 10.0f;
        hopAhead(); // pauses
        QCOMPARE(player->rate(), 0.0f);
        hopAhead();
        hopFiner(); // no seek; the next hop continues from the offset
        hopAhead();
        // A new mark keeps the offset: the next hop lands beside the new mark.
        savedState().markTime = 12.3456f;
        hopBack();
        // Home is the mark; hops count on below it, and below zero.
        savedState().markTime = 0.0f;
        player->setRateSilently(2.0f);
        hopHome();
        QCOMPARE(player->rate(), 0.0f);
        hopBack();
        hopBack();
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
    }

    void everyRateChoiceIsStoredAndRecorded() {
        // The rate applies to a playing video only; the same rate twice is two
        // lines. The player: -1 none, 0 stopped, 1 playing.
        const std::tuple<int, float, const char*> rows[] = {{1, 0.5f, "0.50"},
                                                            {0, 16.0f, "16.00"},
                                                            {1, 0.333f, "0.33"},
                                                            {1, 0.0f, "0.00"},
                                                            {-1, 2.0f, "2.00"}};
        for (const auto& [playing, rate, shown] : rows) {
            w.emplace();
            FakePlayer* player = w->givePlayer(float(playing > 0), 83.2);
            if (playing < 0)
                savedState().playerView = nullptr;
            const QString line = QStringLiteral("%1  ").arg(playing < 0 ? "   -1.00" : "   83.20");
            for (int n = 1; n <= 2; ++n) {
                setRate(rate);
                QCOMPARE(savedState().playAtRate, rate);
                const QStringList lines = w->lines();
                QCOMPARE(lines.size(), n);
                QVERIFY2(lines.last().startsWith(line) &&
                             lines.last().endsWith(QLatin1String("  rate_set_to_") + shown),
                         qPrintable(lines.last()));
                QCOMPARE(w->echo.text(), lines.last());
            }
            if (playing >= 0) // a stopped video is not touched
                QCOMPARE(std::pair(player->rate(), player->rateCalls.empty()),
                         std::pair(playing ? rate : 0.0f, playing == 0));
        }
    }
};

QTEST_MAIN(Transport)
#include "tst_transport.moc"
