// The player's pure parts: the playhead clock between shown frames, the
// choice of the frame on screen among the engine's reports, and the frame
// arithmetic that turns "the frame on screen at T" into an engine seek, the
// clock's recent history and the moment of an input event.
#include "platform/clock_history.h"
#include "platform/event_time.h"
#include "platform/mpv_clock.h"
#include "platform/mpv_frame_seek.h"

#include <QtTest>

#include <cmath>

class PlayerClock : public QObject {
    Q_OBJECT

private slots:
    void playingItRunsOnBetweenFramesUpToTheNext() {
        PlayheadClock clock;
        clock.setFrameSpan(1.0); // one frame a second
        clock.pauseAt(0.0);
        clock.frameShown(0.0, 10.0);
        clock.play(1.0, 10.0);
        QCOMPARE(clock.read(10.25), 0.25);
        // The engine is late with the next frame: the clock waits just before it.
        QVERIFY(clock.read(11.5) < 1.0 && clock.read(11.5) > 0.999);
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

    void resumingBetweenVideoFramesWaitsForTheEngine() {
        // Paused at 5.02 on the frame of 5.0 (30 fps); the engine plays on
        // from 5.0, so its next frame comes one frame time after the resume.
        PlayheadClock clock;
        clock.setFrameSpan(1.0 / 30);
        clock.frameShown(5.0, 0.0);
        clock.pauseAt(5.02);
        clock.play(1.0, 100.0);
        QCOMPARE(clock.read(100.01), 5.02); // the frame of 5.0 covers 5.02
        QVERIFY(qAbs(clock.read(100.03) - 5.03) < 1e-9);
        double last = 5.02;
        for (int i = 1; i <= 60; ++i) {
            const double now = 100.0 + i * 0.005;
            const int frame = i / 7; // a frame every 35 ms of wall time
            if (i % 7 == 0)
                clock.frameShown(5.0 + frame / 30.0, now);
            const double t = clock.read(now);
            QVERIFY2(t >= last, "the clock went back");
            // Never a frame or more ahead of the frame on screen.
            QVERIFY(t < 5.0 + (frame + 1) / 30.0);
            last = t;
        }
        QVERIFY(last > 5.2);
    }

    void resumingBetweenStillFramesRunsOnAtOnce() {
        // The placeholder: a frame every 4 s, paused at 10.5 on the frame of
        // 8.0. A stopwatch does not stand still: the clock keeps its lead.
        PlayheadClock clock;
        clock.setFrameSpan(4.0);
        clock.frameShown(8.0, 0.0);
        clock.pauseAt(10.5);
        clock.play(1.0, 100.0);
        double last = 10.5;
        for (int i = 1; i <= 600; ++i) {
            const double now = 100.0 + i * 0.01;
            if (i == 400) // the engine shows the frame of 12.0, 4 s after the resume
                clock.frameShown(12.0, now);
            const double t = clock.read(now);
            QVERIFY2(t - last > 0.0099 && t - last < 0.0101, "the stopwatch stood or jumped");
            last = t;
        }
        QVERIFY(qAbs(last - 16.5) < 1e-6);
    }

    void speedScalesAndChangesContinue() {
        PlayheadClock clock;
        clock.setFrameSpan(10.0);
        clock.frameShown(0.0, 0.0);
        clock.play(2.0, 0.0);
        QCOMPARE(clock.read(1.0), 2.0);
        clock.setSpeed(0.5, 1.0);
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
        // The engine's first frame after the seek comes when the reading is
        // 2.03: the clock holds there until the engine's timeline gets there.
        clock.frameShown(2.0, 1.03);
        QCOMPARE(clock.read(1.03), 2.03);
        QCOMPARE(clock.read(1.05), 2.03);
        QVERIFY(qAbs(clock.read(1.065) - 2.035) < 1e-9);
    }

    void eachPictureAnchorsTheFrameItShows() {
        // 30 fps at speed 1: frame k is due at 100 + k/30 and reported then.
        const double span = 1.0 / 30, slack = span / 2;
        const auto due = [&](int k) { return 100.0 + k * span; };
        const auto pts = [&](int k) { return k * span; };
        UnshownFrames frames;
        const auto report = [&](int k, double late = 0.0002) {
            frames.reported(pts(k), due(k) + late);
        };
        const auto shows = [&](int k) {
            const std::optional<double> anchored = frames.presented(due(k), slack, 1.0);
            return anchored ? int(std::lround(*anchored / span)) : -1;
        };
        QCOMPARE(shows(0), -1); // nothing reported yet
        report(1);
        QCOMPARE(shows(1), 1);
        QCOMPARE(shows(1), -1); // each frame anchors once

        // The engine hands out the next frame before the picture of this one
        // is on screen: the picture is still this one's.
        report(2);
        report(3);
        QCOMPARE(shows(2), 2);
        QCOMPARE(shows(3), 3);
        // A frame the screen never showed (dropped) is passed over.
        report(4);
        report(5);
        QCOMPARE(shows(5), 5);
        // The report of a picture merged into the next one's: no anchor
        // rather than the later frame, which anchors with its own picture.
        report(7);
        QCOMPARE(shows(6), -1);
        QCOMPARE(shows(7), 7);

        // After a pause or seek nothing is matched yet: reports read long
        // before the picture was due are of earlier frames; of those read
        // together (the interface was busy), the oldest is taken.
        frames.clear();
        QCOMPARE(shows(8), -1);
        report(20, -0.1);
        report(21, 0.05);
        report(22, 0.02);
        QCOMPARE(shows(21), 21);
        QCOMPARE(shows(22), 22);
        // Without a due time: the oldest report.
        report(23);
        report(24);
        QCOMPARE(*frames.presented(0.0, slack, 1.0), pts(23));

        // At double speed frames are due twice as often.
        frames.clear();
        const auto dueFast = [&](int k) { return 200.0 + k * span / 2; };
        frames.reported(pts(1), dueFast(1));
        QCOMPARE(*frames.presented(dueFast(1), slack / 2, 2.0), pts(1));
        frames.reported(pts(2), dueFast(2));
        frames.reported(pts(3), dueFast(3));
        QCOMPARE(*frames.presented(dueFast(3), slack / 2, 2.0), pts(3));
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

    // Play at 2 s from monotonic 100, pause at 101 (reading 3), seek back to
    // 1 at 102, play at rate 2 from 103.
    void historyGivesTheReadingAtAPastMoment_data() {
        QTest::addColumn<double>("moment");
        QTest::addColumn<double>("reading");
        QTest::addColumn<bool>("running");
        QTest::newRow("before the first segment") << 99.0 << 2.0 << false;
        QTest::newRow("playing") << 100.5 << 2.5 << true;
        QTest::newRow("just before the pause") << 100.999 << 2.999 << true;
        QTest::newRow("paused") << 101.5 << 3.0 << false;
        QTest::newRow("after the seek back") << 102.5 << 1.0 << false;
        QTest::newRow("newest, at rate 2") << 103.25 << 1.5 << true;
        QTest::newRow("newest, two seconds on") << 104.0 << 3.0 << true;
    }
    void historyGivesTheReadingAtAPastMoment() {
        QFETCH(double, moment);
        QFETCH(double, reading);
        QFETCH(bool, running);
        ClockHistory history;
        history.segment(100.0, 2.0, 1.0);
        // A pause whose reached reading is a little short of the run's: the
        // run is capped there, never past it.
        history.segment(101.0, 2.9999, 0.0);
        history.segment(101.0, 3.0, 0.0); // the same moment, noted again
        history.segment(102.0, 1.0, 0.0);
        history.segment(102.5, 1.0, 0.0);
        history.segment(103.0, 1.0, 2.0);
        QVERIFY(std::abs(history.readingAt(moment, 2.2) - reading) < 1e-9);
        QCOMPARE(history.runningAt(moment), running);
    }

    void historyForgetsOldSegments() {
        ClockHistory history;
        history.segment(0.0, 5.0, 0.0);
        history.segment(1.0, 6.0, 0.0);
        history.segment(1.0 + ClockHistory::kKeptSeconds + 1.0, 7.0, 0.0);
        // The segment in force at the oldest kept moment stays.
        QCOMPARE(history.readingAt(1.5, 0.0), 6.0);
        QCOMPARE(history.readingAt(0.5, 0.0), 6.0);
    }

    void eventMomentOnTheMonotonicClock_data() {
        QTest::addColumn<double>("now");
        QTest::addColumn<qulonglong>("stamp");
        QTest::addColumn<double>("moment");
        const double wrap = 4294967.296; // 2^32 ms in seconds
        QTest::newRow("200 ms ago") << 1000.5 << qulonglong(1000300) << 1000.3;
        QTest::newRow("now") << 1000.5 << qulonglong(1000500) << 1000.5;
        QTest::newRow("after the 32-bit wrap") << wrap + 1.0 << qulonglong(900) << wrap + 0.9;
        QTest::newRow("just before the wrap")
            << wrap + 0.1 << qulonglong(4294967000) << wrap - 0.296;
        QTest::newRow("zero stamp") << 1000.5 << qulonglong(0) << 1000.5;
        QTest::newRow("from the future") << 1000.5 << qulonglong(1000600) << 1000.5;
        QTest::newRow("six seconds old") << 1000.5 << qulonglong(994500) << 1000.5;
        QTest::newRow("another clock") << 1000.5 << qulonglong(1765000000) << 1000.5;
    }
    void eventMomentOnTheMonotonicClock() {
        QFETCH(double, now);
        QFETCH(qulonglong, stamp);
        QFETCH(double, moment);
        QVERIFY2(std::abs(eventMoment(stamp, now) - moment) < 1e-6,
                 qPrintable(QString::number(eventMoment(stamp, now), 'f', 6)));
    }
};

QTEST_GUILESS_MAIN(PlayerClock)
#include "tst_player_clock.moc"
