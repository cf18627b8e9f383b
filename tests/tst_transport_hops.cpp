// Hop navigation: positions counted from the mark, the size list and its
// ends, the button titles, and what happens without a player.
#include "session/state.h"
#include "support/logic_widgets.h"
#include "transport/hops.h"

#include <QtTest>

class TransportHops : public QObject {
    Q_OBJECT

    std::unique_ptr<LogicWidgets> w;
    FakePlayer* player = nullptr;

    using Seeks = std::vector<std::int64_t>;

    void givePlayer() { player = w->givePlayer(); }
    // Both titles show the size; a test may mark them to see they stay.
    bool titled(const char* size) const {
        return w->back.text() == QStringLiteral("\u25C0 ") + QLatin1String(size) &&
               w->ahead.text() == QLatin1String(size) + QStringLiteral(" \u25B6");
    }

private slots:
    void init() { w = std::make_unique<LogicWidgets>(); }
    void cleanup() { w.reset(); }

    void hopsAreCountedFromTheMarkNotFromThePlayhead() {
        givePlayer();
        savedState().markTime = 10.0f;
        player->setRateSilently(1.0f);
        hopAhead();
        QCOMPARE(player->rate(), 0.0f);
        // The video plays on to 20 s; the next hop still starts from the mark.
        player->time = 20.0;
        player->setRateSilently(1.0f);
        hopAhead();
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->seeks, (Seeks{11000, 12000}));
        // A finer size does not seek, and continues from the offset.
        hopFiner();
        QCOMPARE(savedState().hopSize, std::int64_t(500));
        hopAhead();
        // A new mark keeps the offset: the next hop lands beside the new mark.
        savedState().markTime = 12.3456f;
        hopBack();
        QCOMPARE(savedState().hopTotal, std::int64_t(2000));
        QCOMPARE(player->seeks, (Seeks{11000, 12000, 12500, 14346}));
    }

    void backPastZeroAndHome() {
        givePlayer();
        savedState().hopSize = 500;
        hopBack();
        hopBack();
        QCOMPARE(savedState().hopTotal, std::int64_t(-1000));
        player->setRateSilently(2.0f);
        hopHome();
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        QCOMPARE(player->seeks, (Seeks{-500, -1000, 0}));
        QCOMPARE(player->rate(), 0.0f);
    }

    void finerAndCoarserStopAtTheEndsOfTheList() {
        // No player needed: only the size and the titles change.
        hopAhead();
        hopBack();
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        hopFiner();
        hopFiner();
        QCOMPARE(savedState().hopSize, std::int64_t(200));
        QVERIFY(titled("0.20"));
        hopFiner();
        QVERIFY(titled("0.10"));
        w->back.setText(QStringLiteral("untouched"));
        hopFiner();
        QCOMPARE(savedState().hopSize, std::int64_t(100));
        QCOMPARE(w->back.text(), QStringLiteral("untouched"));
        for (int i = 0; i < 5; ++i)
            hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(5000));
        QVERIFY(titled("5.00"));
        w->ahead.setText(QStringLiteral("untouched"));
        hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(5000));
        QCOMPARE(w->ahead.text(), QStringLiteral("untouched"));
        // A size outside the list changes nothing.
        savedState().hopSize = 300;
        hopFiner();
        hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(300));
        QCOMPARE(w->ahead.text(), QStringLiteral("untouched"));
    }
};

QTEST_MAIN(TransportHops)
#include "tst_transport_hops.moc"
