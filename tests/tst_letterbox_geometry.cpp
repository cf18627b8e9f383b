// The geometry of window fitting against the worked examples: a 1440 x 877
// visible screen, an 800 x 600 window with a 22-point title bar.
#include "window/letterbox_geometry.h"

#include <QTest>

namespace {
const RectUp screen{0, 0, 1440, 877};
const RectUp frame{300, 200, 800, 600};
const RectUp content{300, 200, 800, 578};
const SizeUp player{800, 450};
constexpr double hd = 1920.0 / 1080.0;
} // namespace

class LetterboxGeometry : public QObject {
    Q_OBJECT
private slots:
    void largeFitOfAWideVideo() {
        const SizeChange c = largeFitChange(frame, screen, player, hd);
        QCOMPARE(c.dW, 352.0);
        QCOMPARE(qRound(c.dH), 198);
        QCOMPARE(player.w + c.dW, 1152.0);
        QCOMPARE(player.h + c.dH, 648.0);
        const SizeUp set = contentSizeAfter(content, c);
        QCOMPARE(set.w, 1152.0);
        QCOMPARE(set.h, 776.0);
        QCOMPARE(frame.h + c.dH, 798.0);
    }

    void largeFitOfA4to3Video() {
        const SizeChange c = largeFitChange(frame, screen, player, 4.0 / 3.0);
        QCOMPARE(frame.h + c.dH, screen.h - 20);
        QCOMPARE(player.w + c.dW, (player.h + c.dH) * 4.0 / 3.0);
        QVERIFY(frame.w + c.dW < 0.8 * screen.w);
    }

    void smallFitFloorsThePlayerArea() {
        // A minimum frame size that would leave the player 300 x 200.
        const SizeUp minFrame{300, 350};
        const SizeChange c = smallFitChange(frame, minFrame, player, hd);
        QCOMPARE(player.w + c.dW, 490.0);
        QCOMPARE(player.h + c.dH, 275.625);
        // A portrait video grows the height, a very wide one the width.
        const SizeChange tall = smallFitChange(frame, minFrame, player, 9.0 / 16.0);
        QCOMPARE(player.w + tall.dW, 490.0);
        QCOMPARE(player.h + tall.dH, 490.0 * 16.0 / 9.0);
        const SizeChange wide = smallFitChange(frame, minFrame, player, 2.35);
        QCOMPARE(player.h + wide.dH, 257.0);
        QCOMPARE(player.w + wide.dW, 257.0 * 2.35);
        const SizeChange square = smallFitChange(frame, SizeUp{300, 600}, player, 1.0);
        QCOMPARE(player.h + square.dH, 490.0);
        QCOMPARE(player.w + square.dW, 490.0);
    }

    void fallbackTakesTheMinimumFrame() {
        const SizeUp set = fallbackContentSize(SizeUp{500, 400}, frame, content);
        QCOMPARE(set.w, 500.0);
        QCOMPARE(set.h, 378.0);
    }

    void placement_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::addColumn<double>("expectedX");
        QTest::addColumn<double>("expectedY");
        QTest::newRow("above the top") << 100.0 << 100.0 << 1152.0 << 798.0 << 100.0 << 29.0;
        QTest::newRow("out on the left") << -30.0 << 40.0 << 600.0 << 500.0 << 20.0 << 40.0;
        QTest::newRow("inside") << 100.0 << 40.0 << 600.0 << 500.0 << 100.0 << 40.0;
        QTest::newRow("wider than the screen") << -10.0 << 40.0 << 1500.0 << 500.0 << -80.0 << 40.0;
        QTest::newRow("out on the right") << 1000.0 << 40.0 << 600.0 << 500.0 << 820.0 << 40.0;
        QTest::newRow("below the bottom") << 100.0 << -5.0 << 600.0 << 500.0 << 100.0 << 20.0;
        QTest::newRow("taller than the screen")
            << 100.0 << -5.0 << 600.0 << 900.0 << 100.0 << -73.0;
    }
    void placement() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, w);
        QFETCH(double, h);
        QFETCH(double, expectedX);
        QFETCH(double, expectedY);
        const PointUp origin = keepOnScreen(RectUp{x, y, w, h}, screen);
        QCOMPARE(origin.x, expectedX);
        QCOMPARE(origin.y, expectedY);
    }

    void choiceOfFit() {
        QCOMPARE(chooseFit("up", false, 0).fit, Fit::Large);
        QVERIFY(chooseFit("up", false, 0).scaledUpAfter);
        QCOMPARE(chooseFit("down", true, 3).fit, Fit::Small);
        QVERIFY(!chooseFit("down", true, 3).scaledUpAfter);
        QCOMPARE(chooseFit("same", false, 0).fit, Fit::Small);
        QVERIFY(!chooseFit("same", false, 0).scaledUpAfter);
        QCOMPARE(chooseFit("same", true, 0).fit, Fit::Large);
        QCOMPARE(chooseFit("flip", true, 0).fit, Fit::Small);
        QCOMPARE(chooseFit("flip", false, 0).fit, Fit::Large);
        // The resize command: small first after a load, then alternating.
        bool flag = true;
        std::int64_t count = 0;
        for (const Fit expected : {Fit::Small, Fit::Large, Fit::Small, Fit::Large}) {
            const FitChoice c = chooseFit("default", flag, count++);
            QCOMPARE(c.fit, expected);
            flag = c.scaledUpAfter;
            QCOMPARE(flag, expected == Fit::Large);
        }
        QCOMPARE(chooseFit("Up", false, 0).fit, Fit::Small); // exact, case-sensitive
    }

    void aspectOfTheVideo() {
        QCOMPARE(videoAspect(true, 1920, 1080), hd);
        QCOMPARE(videoAspect(true, 640, 480), 4.0 / 3.0);
        QCOMPARE(videoAspect(true, 1.0, 480), 16.0 / 9.0);
        QCOMPARE(videoAspect(true, 0, 0), 16.0 / 9.0);
        QCOMPARE(videoAspect(false, 640, 480), 16.0 / 9.0);
    }

    void yAxisConversion() {
        // A 200 x 50 rectangle at the top of a 900-high screen, in Qt's terms.
        const RectUp up = toggleYAxis(RectUp{100, 0, 200, 50}, 900);
        QCOMPARE(up.y, 850.0);
        QCOMPARE(up.maxY(), 900.0);
        QCOMPARE(toggleYAxis(up, 900).y, 0.0);
    }
};

QTEST_GUILESS_MAIN(LetterboxGeometry)
#include "tst_letterbox_geometry.moc"
