// The tape counter, the mark and the excursion: their texts, the 32-bit mark
// and the refresher's two periods.
#include "session/state.h"
#include "support/logic_widgets.h"
#include "transport/tape_counter.h"

#include <QtTest>

class TransportCounter : public QObject {
    Q_OBJECT

    std::unique_ptr<LogicWidgets> w;

    FakePlayer* givePlayer() { return w->givePlayer(); }

private slots:
    void init() { w = std::make_unique<LogicWidgets>(); }
    void cleanup() { w.reset(); }

    void textsOfCounterAndExcursion_data() {
        QTest::addColumn<double>("t");
        QTest::addColumn<float>("markTime");
        QTest::addColumn<QString>("counterShows");
        QTest::addColumn<QString>("excursionShows");
        QTest::newRow("before the mark") << 7.5 << 10.0f << "    7.50"
                                         << "   -2.50";
        QTest::newRow("wider than eight") << 123456.78 << 0.0f << "123456.78"
                                          << "123456.78";
        // The stored mark is the float nearest 12.3456, a little above it.
        QTest::newRow("just before the mark") << 12.3456 << 12.3456f << "   12.35"
                                              << "   -0.00";
        QTest::newRow("just after the mark") << 3.3 << 3.3f << "    3.30"
                                             << "    0.00";
        QTest::newRow("negated mark") << 0.0 << 2.5f << "    0.00"
                                      << "   -2.50";
    }
    void textsOfCounterAndExcursion() {
        QFETCH(double, t);
        QFETCH(float, markTime);
        QFETCH(QString, counterShows);
        QFETCH(QString, excursionShows);
        QCOMPARE(counterText(t), counterShows);
        QCOMPARE(excursionText(t, markTime), excursionShows);
    }

    void markTakesThePlayheadAsA32BitFloat() {
        setMarkAtPlayhead(); // no player: nothing
        QVERIFY(w->mark.text().isEmpty());
        FakePlayer* player = givePlayer();
        player->time = 12.3456;
        player->setRateSilently(1.0f);
        savedState().hopTotal = 1500;
        setMarkAtPlayhead();
        QCOMPARE(double(savedState().markTime), 12.345600128173828);
        QCOMPARE(w->mark.text(), QStringLiteral("12.35"));
        // The display reads the playhead, not the float: 0.005f lies below 0.005.
        player->time = 0.005;
        setMarkAtPlayhead();
        QCOMPARE(w->mark.text(), QStringLiteral("0.01"));
        player->time = 12.3456;
        setMarkAtPlayhead();
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
        QCOMPARE(tapeCounterPeriodMs(), 50);
        savedState().markTime = 10.0f;
        FakePlayer* player = givePlayer();
        player->time = 7.5;
        QTRY_COMPARE(w->counter.text(), QStringLiteral("    7.50"));
        QTRY_COMPARE(w->excursion.text(), QStringLiteral("   -2.50"));

        // No window of the program active: twice a second.
        window.hide();
        QTRY_VERIFY(!QApplication::activeWindow());
        QTRY_COMPARE(tapeCounterPeriodMs(), 500);
        player->time = 8.0;
        QTRY_COMPARE(w->counter.text(), QStringLiteral("    8.00"));
        // Active again: back to 0.05 s at once.
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_COMPARE_WITH_TIMEOUT(tapeCounterPeriodMs(), 50, 500);
    }
};

QTEST_MAIN(TransportCounter)
#include "tst_transport_counter.moc"
