// Hop navigation: positions counted from the mark, the size list and its
// ends, the button titles, and what happens without a player.
#include "session/state.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "transport/hops.h"
#include "transport/player_view.h"

#include <QPushButton>
#include <QtTest>

class TransportHops : public QObject {
    Q_OBJECT

    std::unique_ptr<AVPlayerViewAcceptsDrop> view;
    std::unique_ptr<QPushButton> back, ahead;
    FakePlayer* player = nullptr;

    using Seeks = std::vector<std::int64_t>;

    void givePlayer() {
        auto p = std::make_unique<FakePlayer>();
        player = p.get();
        view->setPlayer(std::move(p));
    }
    // Both titles show the size; a test may mark them to see they stay.
    bool titled(const char* size) const {
        return back->text() == QStringLiteral("\u25C0 ") + QLatin1String(size) &&
               ahead->text() == QLatin1String(size) + QStringLiteral(" \u25B6");
    }

private slots:
    void init() {
        resetSession();
        view = std::make_unique<AVPlayerViewAcceptsDrop>();
        back = std::make_unique<QPushButton>();
        ahead = std::make_unique<QPushButton>();
        savedState().playerView = view.get();
        savedState().backButton = back.get();
        savedState().aheadButton = ahead.get();
    }
    void cleanup() { resetSession(); }

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
        back->setText(QStringLiteral("untouched"));
        hopFiner();
        QCOMPARE(savedState().hopSize, std::int64_t(100));
        QCOMPARE(back->text(), QStringLiteral("untouched"));
        for (int i = 0; i < 5; ++i)
            hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(5000));
        QVERIFY(titled("5.00"));
        ahead->setText(QStringLiteral("untouched"));
        hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(5000));
        QCOMPARE(ahead->text(), QStringLiteral("untouched"));
        // A size outside the list changes nothing.
        savedState().hopSize = 300;
        hopFiner();
        hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(300));
        QCOMPARE(ahead->text(), QStringLiteral("untouched"));
    }
};

QTEST_MAIN(TransportHops)
#include "tst_transport_hops.moc"
