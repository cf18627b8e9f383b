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

    void givePlayer() {
        auto p = std::make_unique<FakePlayer>();
        player = p.get();
        view->setPlayer(std::move(p));
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
        player = nullptr;
    }
    void cleanup() { resetSession(); }

    void titlesCarryTheHopSize() {
        relabelHopButtons();
        QCOMPARE(back->text(), QStringLiteral("\u25C0 1.00"));
        QCOMPARE(ahead->text(), QStringLiteral("1.00 \u25B6"));
        QCOMPARE(hopSizeText(100), QStringLiteral("0.10"));
        QCOMPARE(hopSizeText(500), QStringLiteral("0.50"));
        QCOMPARE(hopSizeText(5000), QStringLiteral("5.00"));
    }

    void hopsAreCountedFromTheMarkNotFromThePlayhead() {
        givePlayer();
        savedState().markTime = 10.0f;
        player->setRateSilently(1.0f);
        hopAhead();
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->seeks, std::vector<std::int64_t>{11000});
        // The video plays on to 20 s; the next hop still starts from the mark.
        player->time = 20.0;
        player->setRateSilently(1.0f);
        hopAhead();
        QCOMPARE(player->seeks, (std::vector<std::int64_t>{11000, 12000}));
        QCOMPARE(player->rate(), 0.0f);
    }

    void backPastZeroAndHome() {
        givePlayer();
        savedState().hopSize = 500;
        hopBack();
        hopBack();
        QCOMPARE(savedState().hopTotal, std::int64_t(-1000));
        QCOMPARE(player->seeks, (std::vector<std::int64_t>{-500, -1000}));
        player->setRateSilently(2.0f);
        hopHome();
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        QCOMPARE(player->seeks.back(), std::int64_t(0));
        QCOMPARE(player->rate(), 0.0f);
    }

    void aFinerSizeContinuesFromTheOffset() {
        givePlayer();
        savedState().markTime = 2.0f;
        hopAhead();
        hopAhead();
        hopAhead();
        QCOMPARE(savedState().hopTotal, std::int64_t(3000));
        hopFiner();
        QCOMPARE(savedState().hopSize, std::int64_t(500));
        QCOMPARE(player->seeks.size(), std::size_t(3)); // finer does not seek
        hopAhead();
        QCOMPARE(player->seeks.back(), std::int64_t(5500));
        // A new mark keeps the offset: the next hop lands beside the new mark.
        savedState().markTime = 12.3456f;
        hopBack();
        QCOMPARE(savedState().hopTotal, std::int64_t(3000));
        QCOMPARE(player->seeks.back(), std::int64_t(15346));
    }

    void finerAndCoarserStopAtTheEndsOfTheList() {
        hopFiner();
        hopFiner();
        QCOMPARE(savedState().hopSize, std::int64_t(200));
        QCOMPARE(back->text(), QStringLiteral("\u25C0 0.20"));
        QCOMPARE(ahead->text(), QStringLiteral("0.20 \u25B6"));
        hopFiner();
        QCOMPARE(savedState().hopSize, std::int64_t(100));
        back->setText(QStringLiteral("untouched"));
        hopFiner();
        QCOMPARE(savedState().hopSize, std::int64_t(100));
        QCOMPARE(back->text(), QStringLiteral("untouched"));
        for (int i = 0; i < 5; ++i)
            hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(5000));
        QCOMPARE(ahead->text(), QStringLiteral("5.00 \u25B6"));
        ahead->setText(QStringLiteral("untouched"));
        hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(5000));
        QCOMPARE(ahead->text(), QStringLiteral("untouched"));
    }

    void aSizeOutsideTheListChangesNothing() {
        savedState().hopSize = 300;
        hopFiner();
        hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(300));
        QVERIFY(back->text().isEmpty());
    }

    void withoutAPlayerOnlyTheSizeChanges() {
        hopAhead();
        hopBack();
        hopHome();
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        hopCoarser();
        QCOMPARE(savedState().hopSize, std::int64_t(2000));
        QCOMPARE(back->text(), QStringLiteral("\u25C0 2.00"));
    }
};

QTEST_MAIN(TransportHops)
#include "tst_transport_hops.moc"
