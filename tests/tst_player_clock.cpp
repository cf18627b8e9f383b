// The player's pure parts: the playhead clock between shown frames, and the
// frame arithmetic that turns "the frame on screen at T" into an engine seek.
#include "platform/mpv_clock.h"
#include "platform/mpv_frame_seek.h"

#include <QtTest>

class PlayerClock : public QObject {
    Q_OBJECT

private slots:
    void pausedItReadsWhatItWasGiven() {
        PlayheadClock clock;
        QCOMPARE(clock.read(100.0), 0.0);
        clock.pauseAt(12.346);
        QCOMPARE(clock.read(100.0), 12.346);
        QCOMPARE(clock.read(200.0), 12.346);
        clock.frameShown(12.333, 200.0); // the frame on screen does not move it
        QCOMPARE(clock.read(300.0), 12.346);
        QVERIFY(!clock.playing());
    }

    void playingItRunsOnBetweenFramesUpToTheNext() {
        PlayheadClock clock;
        clock.setFrameSpan(1.0); // one frame a second
        clock.pauseAt(0.0);
        clock.frameShown(0.0, 10.0);
        clock.play(1.0, 10.0);
        QCOMPARE(clock.read(10.25), 0.25);
        QCOMPARE(clock.read(10.5), 0.5);
        // The engine is late with the next frame: the clock waits just before it.
        QVERIFY(clock.read(11.5) < 1.0);
        QVERIFY(clock.read(11.5) > 0.999);
        clock.frameShown(1.0, 11.6);
        QCOMPARE(clock.read(11.6), 1.0);
        QCOMPARE(clock.read(11.85), 1.25);
        // Early frames pull it forward.
        clock.frameShown(2.0, 11.9);
        QCOMPARE(clock.read(11.9), 2.0);
        clock.pause(12.0);
        QCOMPARE(clock.read(13.0), 2.1);
        // A running clock stops at the end of the item.
        clock.setEnd(2.5);
        clock.play(1.0, 20.0);
        QCOMPARE(clock.read(20.2), 2.3);
        QCOMPARE(clock.read(21.0), 2.5);
    }

    void resumingBetweenFramesStaysSmoothAndAhead() {
        // Paused at 5.02 on the frame of 5.0 (30 fps); the next frame comes
        // one frame time after the resume.
        PlayheadClock clock;
        clock.setFrameSpan(1.0 / 30);
        clock.frameShown(5.0, 0.0);
        clock.pauseAt(5.02);
        clock.play(1.0, 100.0);
        double last = 0.0;
        for (int i = 1; i <= 60; ++i) {
            const double now = 100.0 + i * 0.005;
            if (i % 7 == 0) // a frame every 35 ms of wall time
                clock.frameShown(5.0 + (i / 7) / 30.0, now);
            const double t = clock.read(now);
            QVERIFY2(t >= last, "the clock went back");
            if (i > 1)
                QVERIFY2(t - last <= 0.0051, "the clock jumped");
            last = t;
        }
        QVERIFY(last > 5.02 + 0.25);
        // It keeps its lead over the frames: the next frame changes nothing.
        const double before = clock.read(100.5);
        clock.frameShown(5.0 + 9 / 30.0, 100.5);
        QVERIFY(qAbs(clock.read(100.5) - before) < 1e-5);
        QVERIFY(qAbs(clock.read(100.5) - (5.3 + 0.02)) < 1e-5);
    }

    void speedScalesAndChangesContinue() {
        PlayheadClock clock;
        clock.setFrameSpan(10.0);
        clock.frameShown(0.0, 0.0);
        clock.play(2.0, 0.0);
        QCOMPARE(clock.read(1.0), 2.0);
        clock.setSpeed(0.5, 1.0);
        QCOMPARE(clock.read(1.0), 2.0);
        QCOMPARE(clock.read(3.0), 3.0);
    }

    void aSeekForgetsTheFrameOnScreen() {
        PlayheadClock clock;
        clock.setFrameSpan(0.04);
        clock.frameShown(9.0, 0.0);
        clock.pauseAt(2.0); // a seek back while playing
        clock.forgetFrame();
        clock.play(1.0, 1.0);
        QCOMPARE(clock.read(1.02), 2.02);
        clock.frameShown(2.0, 1.03);
        QVERIFY(clock.read(1.03) >= 2.02);
    }

    void gridFramesAndEngineTargets() {
        const FrameGrid thirty{0.0, 30.0};
        QCOMPARE(*gridFrameAtOrBefore(2.0, thirty), 2.0);
        QCOMPARE(*gridFrameAtOrBefore(1.999, thirty), 59.0 / 30);
        // Within the rounding of a millisecond time base: that frame's time.
        QCOMPARE(*gridFrameAtOrBefore(1.9995, thirty), 2.0);
        QVERIFY(!gridFrameAtOrBefore(-0.5, thirty));
        QVERIFY(!gridFrameAtOrBefore(1.0, FrameGrid{0.0, 0.0}));

        const FrameGrid ntsc{0.0, 30000.0 / 1001};
        QCOMPARE(*gridFrameAtOrBefore(5.005, ntsc), 5.005);
        QVERIFY(qAbs(*gridFrameAtOrBefore(5.004, ntsc) - 4.971633) < 1e-6);

        // The engine keeps frames down to its slack before the target: the
        // target sits just under that much after the wanted frame.
        const double target = engineSeekTarget(1.999, thirty);
        QVERIFY(target - kEngineSeekSlack <= 59.0 / 30);
        QVERIFY(target - kEngineSeekSlack > 58.0 / 30);
        QCOMPARE(engineSeekTarget(-3.0, thirty), 0.0);
        QCOMPARE(engineSeekTarget(7.5, std::nullopt), 7.5);
        const FrameGrid late{0.021, 25.0};
        QCOMPARE(engineSeekTarget(0.01, late), 0.021);
    }

    void landingsAreJudged() {
        const double span = 1.0 / 30;
        QCOMPARE(judgeLanding(2.0, 2.0, 0.0, span, 10.0), Landing::Done);
        QCOMPARE(judgeLanding(1.999, 2.0, 0.0, span, 10.0), Landing::StepBack);
        QCOMPARE(judgeLanding(0.0, 0.021, 0.021, span, 10.0), Landing::Done); // first frame
        QCOMPARE(judgeLanding(5.0, 4.0, 0.0, span, 10.0), Landing::SeekPlain);
        QCOMPARE(judgeLanding(10.0, 9.9667, 0.0, span, 10.0), Landing::Done); // the last frame
        QCOMPARE(judgeLanding(5.0, 4.98, 0.0, span, 10.0), Landing::Done);
    }
};

QTEST_GUILESS_MAIN(PlayerClock)
#include "tst_player_clock.moc"
