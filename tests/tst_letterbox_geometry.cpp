// The geometry of window fitting against the worked examples: a 1440 x 877
// visible screen, an 800 x 600 window with a 22-point title bar.
#include "window/letterbox_geometry.h"

#include <QPointF>
#include <QRectF>
#include <QTest>

namespace {
const RectUp screen{0, 0, 1440, 877};
const RectUp frame{300, 200, 800, 600};
const RectUp content{300, 200, 800, 578};
const SizeUp player{800, 450};
constexpr double hd = 1920.0 / 1080.0;

bool is(const FitChoice& c, Fit fit, bool scaledUpAfter) {
    return c.fit == fit && c.scaledUpAfter == scaledUpAfter;
}
} // namespace

class LetterboxGeometry : public QObject {
    Q_OBJECT
private slots:
    void largeFit() {
        const SizeChange c = largeFitChange(frame, screen, player, hd);
        QCOMPARE(player.w + c.dW, 1152.0);
        QCOMPARE(player.h + c.dH, 648.0);
        QCOMPARE(frame.h + c.dH, 798.0);
        const SizeUp set = contentSizeAfter(content, c);
        QCOMPARE(set.w, 1152.0);
        QCOMPARE(set.h, 776.0);
        // A 4:3 video is held by the height instead.
        const SizeChange c43 = largeFitChange(frame, screen, player, 4.0 / 3.0);
        QCOMPARE(frame.h + c43.dH, screen.h - 20);
        QCOMPARE(player.w + c43.dW, (player.h + c43.dH) * 4.0 / 3.0);
        QVERIFY(frame.w + c43.dW < 0.8 * screen.w);
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
        const SizeUp fallback = fallbackContentSize(SizeUp{500, 400}, frame, content);
        QCOMPARE(fallback.w, 500.0);
        QCOMPARE(fallback.h, 378.0);
    }

    void placement_data() {
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<QPointF>("origin");
        QTest::newRow("above the top") << QRectF(100, 100, 1152, 798) << QPointF(100, 29);
        QTest::newRow("out on the left") << QRectF(-30, 40, 600, 500) << QPointF(20, 40);
        QTest::newRow("inside") << QRectF(100, 40, 600, 500) << QPointF(100, 40);
        QTest::newRow("wider than the screen") << QRectF(-10, 40, 1500, 500) << QPointF(-80, 40);
        QTest::newRow("out on the right") << QRectF(1000, 40, 600, 500) << QPointF(820, 40);
        QTest::newRow("below the bottom") << QRectF(100, -5, 600, 500) << QPointF(100, 20);
        QTest::newRow("taller than the screen") << QRectF(100, -5, 600, 900) << QPointF(100, -73);
    }
    void placement() {
        QFETCH(QRectF, frame);
        QFETCH(QPointF, origin);
        const PointUp placed =
            keepOnScreen(RectUp{frame.x(), frame.y(), frame.width(), frame.height()}, screen);
        QCOMPARE(QPointF(placed.x, placed.y), origin);
    }

    void choiceOfFit() {
        QVERIFY(is(chooseFit("up", false, 0), Fit::Large, true));
        QVERIFY(is(chooseFit("down", true, 3), Fit::Small, false));
        QVERIFY(is(chooseFit("same", false, 0), Fit::Small, false));
        QVERIFY(is(chooseFit("same", true, 0), Fit::Large, true));
        QVERIFY(is(chooseFit("flip", true, 0), Fit::Small, false));
        QVERIFY(is(chooseFit("flip", false, 0), Fit::Large, true));
        // The resize command: small first after a load, then alternating.
        QVERIFY(is(chooseFit("default", true, 0), Fit::Small, false));
        QVERIFY(is(chooseFit("default", false, 1), Fit::Large, true));
        QVERIFY(is(chooseFit("default", true, 2), Fit::Small, false));
        QVERIFY(is(chooseFit("Up", true, 3), Fit::Small, false)); // exact, case-sensitive
    }

    void aspectOfTheVideo() {
        QCOMPARE(videoAspect(true, 1920, 1080), hd);
        QCOMPARE(videoAspect(true, 1.0, 480), 16.0 / 9.0);
        QCOMPARE(videoAspect(true, 0, 0), 16.0 / 9.0);
        QCOMPARE(videoAspect(false, 640, 480), 16.0 / 9.0);
    }
};

QTEST_GUILESS_MAIN(LetterboxGeometry)
#include "tst_letterbox_geometry.moc"
