// The player's pure parts: the playhead clock, the frame on screen among the
// engine's reports, the clock's history and the moment of an event.
#include "platform/clock_history.h"
#include "platform/event_time.h"
#include "platform/mpv_clock.h"

#include <QRegularExpression>
#include <QtTest>

#include <cmath>
#include <functional>
#include <map>

class PlayerClock : public QObject {
    Q_OBJECT

private slots:
    // Scripts of steps "op value@now": S frame span, P pause at, F frame
    // shown, p play at speed, s new speed, h pause, E end, f forget the frame;
    // r reads the value, < reads just under it (waiting for the next frame).
    void clockScripts() {
        const char* scripts[] = {
            // A frame a second: it runs on, waits for a late frame, follows an early one, ends.
            "S1 P0 F0@10 p1@10 r0.25@10.25 <1@11.5 F1@11.6 r1@11.6 r1.25@11.85 F2@11.9 r2@11.9 "
            "h@12 r2.1@13 E2.5 p1@20 r2.3@20.2 r2.5@21",
            // Speed scales it, and a change continues from the reading.
            "S10 F0@0 p2@0 r2@1 s0.5@1 r3@3",
            // After a seek back it holds at the first frame until the engine gets there.
            "S0.04 F9@0 P2 f p1@1 r2.02@1.02 F2@1.03 r2.03@1.03 r2.03@1.05 r2.035@1.065",
            // The placeholder (a frame every 4 s): the stopwatch neither stands nor jumps.
            "S4 F8@0 P10.5 p1@100 r10.51@100.01 r13.5@103 r14.49@103.99 F12@104 r14.5@104 "
            "r16.5@106",
            // Resumed at 5.02 on the frame of 5 with late frames: never a frame ahead.
            "S0.0333333333333 F5@0 P5.02 p1@100 r5.02@100.01 r5.03@100.03 <5.0333333333@100.034 "
            "F5.0333333333@100.035 r5.0333333333@100.035 <5.0666666667@100.069 "
            "F5.0666666667@100.07 r5.0666666667@100.07"};
        for (const char* script : scripts) {
            PlayheadClock clock;
            const std::map<char, std::function<void(double, double)>> ops{
                {'S', [&](double a, double) { clock.setFrameSpan(a); }},
                {'P', [&](double a, double) { clock.pauseAt(a); }},
                {'F', [&](double a, double now) { clock.frameShown(a, now); }},
                {'p', [&](double a, double now) { clock.play(a, now); }},
                {'s', [&](double a, double now) { clock.setSpeed(a, now); }},
                {'h', [&](double, double now) { clock.pause(now); }},
                {'E', [&](double a, double) { clock.setEnd(a); }},
                {'f', [&](double, double) { clock.forgetFrame(); }}};
            for (const QString& step : QString::fromLatin1(script).split(' ')) {
                const QStringList parts = step.mid(1).split('@');
                const double a = parts[0].toDouble(), now = parts.value(1).toDouble();
                if (const auto op = ops.find(step[0].toLatin1()); op != ops.end()) {
                    op->second(a, now);
                    continue;
                }
                const double t = clock.read(now);
                const bool ok = step[0] == 'r' ? std::abs(t - a) < 1e-9 : t < a && t > a - 0.001;
                QVERIFY2(ok, qPrintable(step + " read " + QString::number(t, 'f', 9)));
            }
        }
    }

    // Frame k is due at 100 + k/30; "rK" the engine hands it out (read 0.2 ms
    // after it was due, or "rK,L" L s late), "sK=V" the picture due for frame
    // K anchors frame V (-1: none), "c" a pause or seek ("cS": then S times the speed).
    void eachPictureAnchorsTheFrameItShows() {
        const double span = 1.0 / 30;
        double speed = 1.0;
        UnshownFrames frames;
        const auto run = [&](const QString& script) {
            for (const QString& step : script.split(' ')) {
                const QStringList n = step.mid(1).split(QRegularExpression("[,=]"));
                const double k = n[0].toDouble(), due = 100.0 + k * span / speed;
                if (step[0] == 'c') {
                    frames.clear();
                    speed = k > 0 ? k : 1.0;
                } else if (step[0] == 'r') {
                    frames.reported(k * span, due + n.value(1, "0.0002").toDouble());
                } else {
                    const std::optional<double> shown =
                        frames.presented(due, span / 2 / speed, speed);
                    QVERIFY2((shown ? int(std::lround(*shown / span)) : -1) == n[1].toInt(),
                             qPrintable(step));
                }
            }
        };
        // Each frame anchors once; one handed out before the last one's picture
        // is on screen waits for its own; a dropped frame is passed over; a
        // report merged into the next picture anchors nothing. After a pause or
        // seek, reports read long before the picture was due are of earlier
        // frames; of those read together the oldest is taken.
        run("s0=-1 r1 s1=1 s1=-1 r2 r3 s2=2 s3=3 r4 r5 s5=5 r7 s6=-1 s7=7 c s8=-1 r20,-0.1 "
            "r21,0.05 r22,0.02 s21=21 s22=22 r23 r24");
        QCOMPARE(*frames.presented(0.0, span / 2, 1.0), 23 * span);
        run("c2 r1 s1=1 r2 r3 s3=3");
        // The engine moved its schedule half a second on after a stall: after
        // three pictures that fit nothing, matching starts anew.
        run("c r1 s1=1 r2 s2=2 r20,0.5 s35=-1 r21,0.5 s36=-1 r22,0.5 s37=-1 r23,0.5 s38=23");
    }

    void historyGivesTheReadingAtAPastMoment() {
        // Play at 2 s from monotonic 100, pause at 101 (noted twice; the run is
        // capped at the pause's reading), seek to 1 at 102, play at 2x from 103.
        ClockHistory history;
        const std::tuple<double, double, double> segments[] = {
            {100, 2, 1}, {101, 2.9999, 0}, {101, 3, 0}, {102, 1, 0}, {102.5, 1, 0}, {103, 1, 2}};
        for (const auto& [from, value, speed] : segments)
            history.segment(from, value, speed);
        const std::tuple<double, double, bool> rows[] = {
            // moment, reading, running
            {99.0, 2.0, false},  {100.5, 2.5, true},  {100.999, 2.999, true}, {101.5, 3.0, false},
            {102.5, 1.0, false}, {103.25, 1.5, true}, {104.0, 3.0, true}};
        for (const auto& [moment, reading, running] : rows) {
            QVERIFY(std::abs(history.readingAt(moment, 2.2) - reading) < 1e-9);
            QCOMPARE(history.runningAt(moment), running);
        }
        // A run re-anchored below its reading (frames late after a stall) is
        // not capped: only a pause ends a run.
        ClockHistory stall;
        stall.segment(0.0, 2.0, 1.0);
        stall.segment(1.0, 2.5, 1.0);
        QVERIFY(std::abs(stall.readingAt(0.9, 0.0) - 2.9) < 1e-9);
        // Old segments go, but the one in force at the oldest kept moment stays.
        history.segment(104.0 + ClockHistory::kKeptSeconds + 1.0, 7.0, 0.0);
        QCOMPARE(history.readingAt(103.5, 0.0), 2.0);
        QCOMPARE(history.readingAt(90.0, 0.0), 1.0);
    }

    void eventMomentOnTheMonotonicClock() {
        const double wrap = 4294967.296; // 2^32 ms in seconds
        // Stamps too old, from the future, zero or of another clock give now.
        const std::tuple<double, qulonglong, double> rows[] = {
            // now, stamp, moment
            {1000.5, 1000300, 1000.3},     {1000.5, 1000500, 1000.5},
            {wrap + 1.0, 900, wrap + 0.9}, {wrap + 0.1, 4294967000, wrap - 0.296},
            {1000.5, 0, 1000.5},           {1000.5, 1000600, 1000.5},
            {1000.5, 994500, 1000.5},      {1000.5, 1765000000, 1000.5}};
        for (const auto& [now, stamp, moment] : rows)
            QVERIFY2(std::abs(eventMoment(stamp, now) - moment) < 1e-6,
                     qPrintable(QString::number(eventMoment(stamp, now), 'f', 6)));
    }
};

QTEST_GUILESS_MAIN(PlayerClock)
#include "tst_player_clock.moc"
