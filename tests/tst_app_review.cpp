// Review while coding in the real window with libmpv, a frame-coded clip and
// real X events: going to a line's time, the picture saying whether keys are
// recorded (down to the pixels), and keys stamped when they went down.
#include "app/app_delegate.h"
#include "app/application_setup.h"
#include "app/main_window.h"
#include "platform/event_time.h"
#include "platform/mpv_player.h"
#include "session/format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "support/app_home.h"
#include "support/clips.h"
#include "support/e2e_program.h"
#include "support/test_helpers.h"
#include "transport/player_view.h"
#include "transport/seek.h"
#include "window/timeline_strip.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QtTest>

#include <cstdlib>
#include <optional>
#include <thread>

class AppReview : public QObject {
    Q_OBJECT

    std::optional<AppHome> home;
    std::optional<AlertRecorder> alerts;
    std::unique_ptr<AppDelegate> app;
    QTemporaryDir dir;
    QString coded;
    QSize aspect{4, 3}; // of the clip loaded

    MpvPlayer* mpv() const { return qobject_cast<MpvPlayer*>(app->player->player()); }
    QPlainTextEdit* script() const { return app->scrollViewContainingTranscript; }

    // Real X events: the test's window, keys, and count clicks at a point of the window.
    static bool xdo(const QStringList& arguments) {
        return RunningProgram::xdotool(arguments).has_value();
    }
    QString windowId() const { return QString::number(app->window->winId()); }
    bool keys(const QStringList& keys) { return xdo(QStringList{"key", "--delay", "60"} + keys); }
    bool click(QPoint p, int count = 1) {
        return xdo({"mousemove", "--window", windowId(), QString::number(p.x()),
                    QString::number(p.y()), "click", "--repeat", QString::number(count), "--delay",
                    "60", "1"});
    }
    // Clicks (count times) on the first characters of transcript line n.
    bool clickLine(int n, int count) {
        const QTextBlock block = script()->document()->findBlockByNumber(n);
        script()->setTextCursor(QTextCursor(block));
        script()->ensureCursorVisible();
        const QRect r = script()->cursorRect(QTextCursor(block));
        return click(
            script()->viewport()->mapTo(app->window.data(), QPoint(r.left() + 25, r.center().y())),
            count);
    }

    int shownFrame() const { return viewFrame(app->player, aspect); }
    void standAt(long long ms) {
        seekToTime(ms / 1000.0);
        QVERIFY(waitSettled(mpv()));
        QTRY_COMPARE(shownFrame(), int(frameAt(ms)));
    }

private slots:
    void initTestCase() {
        home.emplace();
        alerts.emplace();
        prepareApplication();
        resetSession();
        ClipShape shape;
        shape.keyframeInterval = 15;
        coded = makeCodedClip(dir.path(), QStringLiteral("coded.mp4"), shape);
        QVERIFY(!coded.isEmpty());
        app = std::make_unique<AppDelegate>();
        app->applicationOpenFile(coded);
        app->applicationDidFinishLaunching();
        QVERIFY(QTest::qWaitForWindowExposed(app->window.data()));
        QVERIFY(waitSettled(mpv()));
        QTRY_COMPARE(shownFrame(), 0);
        QVERIFY(xdo({"windowfocus", "--sync", windowId()}));
        QTRY_COMPARE(QApplication::focusWidget(), app->player.data());
        // Recorded lines at frames 0, 22, 34 and 45 (0.734 shows as 0.73, which
        // is frame 21: going there needs the exact time); one typed with a
        // time, one without.
        for (const auto& [t, entry] :
             {std::pair{0.0, "play_x_1.00"}, {0.734, "a"}, {1.134, "b"}, {1.5, "stop"}})
            recordTimedNote(t, QString::fromLatin1(entry));
        QTextCursor end(script()->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QStringLiteral("    7.00  10:00:00  typed\na note\n"));
    }
    void cleanupTestCase() {
        app.reset();
        resetSession();
    }

    // A line's time by double-click, or by a click and Ctrl+Return; a line
    // without a time goes nowhere.
    void goToALinesTime() {
        // Line, double-click, the time it goes to (ms; -1: none).
        const std::tuple<int, bool, long long> rows[] = {
            {1, true, 734}, {2, false, 1134}, {4, true, 7000}, {5, true, -1}, {5, false, -1}};
        for (const auto& [line, doubleClick, ms] : rows) {
            standAt(9000);
            const QString before = script()->toPlainText();
            const bool goes = ms >= 0;
            if (doubleClick) {
                QVERIFY(clickLine(line, 2));
            } else {
                QVERIFY(clickLine(line, 1));
                QVERIFY(keys({"ctrl+Return"}));
            }
            QTest::qWait(300);
            QCOMPARE(script()->toPlainText(), before);
            if (!goes) {
                QCOMPARE(QApplication::focusWidget(), script());
                QCOMPARE(mpv()->currentTime(), 9.0);
                QCOMPARE(shownFrame(), int(frameAt(9000)));
                continue;
            }
            // Stopped on the frame that covers the line's time, keys back in the picture.
            QVERIFY(waitSettled(mpv()));
            QTRY_COMPARE(shownFrame(), int(frameAt(ms)));
            QCOMPARE(mpv()->currentTime(), ms / 1000.0);
            QCOMPARE(mpv()->rate(), 0.0f);
            QVERIFY(!script()->textCursor().hasSelection());
            QCOMPARE(QApplication::focusWidget(), app->player.data());
            QTRY_COMPARE(app->tapeCounterDisplay->text(), formatFixed(ms / 1000.0, 2, 8));
            QTRY_COMPARE(app->excursionDisplay->text(),
                         formatFixed(ms / 1000.0, 2, 8)); // mark at 0
            // The next key is recorded at that time.
            const int lines = script()->blockCount();
            QVERIFY(keys({"x"}));
            QTRY_COMPARE(script()->blockCount(), lines + 1);
            const QString recorded = script()->toPlainText().mid(before.size());
            QCOMPARE(recorded.left(8), formatFixed(ms / 1000.0, 2, 8));
            QVERIFY(recorded.endsWith(QStringLiteral("  x\n")));
        }
    }

    // Clicked: the transcript, the key entry, the go-to field, the picture.
    void indicatorFollowsTheFocus() {
        const std::pair<const char*, bool> rows[] = {{"scrollViewContainingTranscript", false},
                                                     {"codeEntry", true},
                                                     {"gotoField", false},
                                                     {"player", true}};
        auto* band = app->player->findChild<QWidget*>(QStringLiteral("keysNotRecordedBand"));
        auto* mark = app->player->findChild<QWidget*>(QStringLiteral("keysRecordedMark"));
        QVERIFY(band && mark);
        for (const auto& [clicked, recording] : rows) {
            auto* target = app->window->findChild<QWidget*>(QLatin1String(clicked));
            QVERIFY(target);
            QVERIFY(click(target->mapTo(app->window.data(), target->rect().center())));
            QTRY_COMPARE(QApplication::focusWidget(), target);
            QTRY_COMPARE(band->isVisible(), !recording);
            QCOMPARE(mark->isVisible(), recording);
            QCOMPARE(app->player->accessibleDescription().startsWith(QStringLiteral(
                         "Keys are not being recorded — click the picture to record")),
                     !recording);
            // On screen: a red band across the top of the picture, or none.
            QTest::qWait(200);
            const QImage shot = app->window->screen()->grabWindow(app->window->winId()).toImage();
            const QPoint row = app->player->mapTo(app->window.data(), QPoint(0, 4));
            int red = 0;
            for (int x = row.x(); x < row.x() + app->player->width(); ++x) {
                const QColor c = shot.pixelColor(x, row.y());
                red += c.red() > 170 && c.green() < 80 && c.blue() < 80;
            }
            QCOMPARE(red > app->player->width() * 9 / 10, !recording);
        }
    }

    // A click on the timeline under the picture goes to its column's time:
    // stopped on the frame that covers it, the keys still in the picture;
    // the strip shows what was coded, and hiding it keeps the picture's size.
    void timelineClickGoesToItsTime() {
        auto* strip = app->window->findChild<TimelineStrip*>();
        QVERIFY(strip && strip->isVisible());
        QTRY_COMPARE(strip->axis().shown.to, 10000.0);
        QCOMPARE(strip->coding().behaviours[0].name, QStringLiteral("a"));
        for (const double aim : {1130.0, 4567.0}) {
            standAt(9000);
            const int column = int(std::floor(xOfTime(strip->axis(), aim)));
            const long long ms = *seekMilliseconds(timeAtX(strip->axis(), column) / 1000.0);
            QVERIFY(click(strip->mapTo(app->window.data(),
                                       QPoint(column, int(strip->rowsBand().center().y())))));
            QVERIFY(waitSettled(mpv()));
            QTRY_COMPARE(mpv()->currentTime(), ms / 1000.0);
            QTRY_COMPARE(shownFrame(), int(frameAt(ms)));
            QCOMPARE(mpv()->rate(), 0.0f);
            QCOMPARE(QApplication::focusWidget(), app->player.data());
        }
        auto* show = app->window->findChild<QAction*>(QStringLiteral("actionShowTimeline"));
        QVERIFY(show && show->shortcut().isEmpty());
        const QSize picture = app->player->size();
        for (const bool on : {false, true}) {
            show->setChecked(on);
            QTRY_COMPARE(strip->isVisible(), on);
            QTRY_COMPARE(app->player->size(), picture);
        }
    }

    // After playing 3 s and a stop, six left and three right arrows, each
    // followed 100 ms later by a key: every key has the frame its step lands
    // on (before it has landed, too), and the picture ends on the last one.
    // On the review clip and on a 1280x720 one with a keyframe every 250.
    void keysFollowTheSteps() {
        ClipShape hd;
        std::tie(hd.seconds, hd.keyframeInterval, hd.width, hd.height) =
            std::tuple{5, 250, 1280, 720};
        const QString wide = makeCodedClip(dir.path(), QStringLiteral("hd.mp4"), hd);
        QVERIFY(!wide.isEmpty());
        for (const auto& [clip, clipAspect] :
             {std::pair{wide, QSize(16, 9)}, {coded, QSize(4, 3)}}) {
            app->applicationOpenFile(clip);
            aspect = clipAspect;
            QTRY_VERIFY(mpv()->status() == ItemStatus::ReadyToPlay && waitSettled(mpv()));
            QVERIFY(xdo({"windowfocus", "--sync", windowId()}));
            app->player->setFocus();
            QTRY_COMPARE(shownFrame(), 0);
            script()->clear();
            QVERIFY(keys({"space"}));
            QTRY_VERIFY_WITH_TIMEOUT(mpv()->currentTime() > 3.0, 30000);
            QVERIFY(keys({"space"}));
            QTRY_COMPARE(script()->blockCount(), 3);
            QVERIFY(waitSettled(mpv()));
            // Then the same from a frame never played (go-to 4.667 s): the
            // frames before it are decoded into the keep after the first step.
            for (int stop : {int(std::floor(mpv()->currentTime() * 30.0 + 1e-9)), 140}) {
                if (stop == 140) {
                    mpv()->seekTo(4667);
                    QVERIFY(waitSettled(mpv()));
                    script()->clear();
                }
                const int before = script()->blockCount() - 1;
                QStringList presses;
                for (int i = 0; i < 9; ++i)
                    presses << (i < 6 ? "Left" : "Right") << "x";
                QVERIFY(xdo(QStringList{"key", "--delay", "100"} + presses));
                QTRY_COMPARE_WITH_TIMEOUT(script()->blockCount(), before + 10, 10000);
                const QStringList lines = script()->toPlainText().split('\n');
                for (int i = 0; i < 9; ++i)
                    QVERIFY2(lines[before + i].left(8) ==
                                 formatFixed((stop - (i < 6 ? i + 1 : 11 - i)) / 30.0, 2, 8),
                             qPrintable(QString::number(stop) + '\n' + lines.join('\n')));
                QVERIFY(waitSettled(mpv()));
                QTRY_COMPARE(shownFrame(), stop - 3);
                QCOMPARE(mpv()->currentTime(), (stop - 3) / 30.0);
            }
        }
    }

    // Last: keys pressed while the interface thread is busy are stamped with
    // the playhead when they went down: play, a key, space, then a key, all
    // during one stall of 700 ms; on the video, then on the stopwatch.
    void keysAreStampedWhenTheyWentDown() {
        for (const bool stopwatch : {false, true}) {
            if (stopwatch)
                app->window->findChild<QAction*>(QStringLiteral("actionClear"))->trigger();
            else
                standAt(2000); // well before the end
            QVERIFY(waitSettled(mpv()));
            app->player->setFocus();
            script()->clear();
            mpv()->setRate(1.0f);
            QTest::qWait(700);
            // The presses, from another thread, with the monotonic moments
            // before and after each.
            struct Press {
                const char* key;
                double before = 0.0, after = 0.0;
            };
            Press presses[] = {{"a"}, {"space"}, {"b"}};
            std::thread presser([&presses] {
                for (Press& press : presses) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(120));
                    press.before = monotonicSeconds();
                    const int status =
                        std::system(qPrintable(QStringLiteral("xdotool key ") + press.key));
                    press.after = status == 0 ? monotonicSeconds() : 0.0;
                }
            });
            const double stallStart = monotonicSeconds();
            const double videoAtStart = mpv()->currentTime();
            QThread::msleep(700);
            presser.join();
            QTRY_COMPARE(script()->blockCount(), 4); // three lines and the empty last
            // A frame of the video; the stopwatch's clock has a millisecond.
            const double frame = stopwatch ? 0.001 : 1.0 / 30.0;
            const auto videoAt = [&](double moment) {
                return videoAtStart + (moment - stallStart);
            };
            const QStringList lines = script()->toPlainText().split('\n');
            const auto stamped = [&](int i) {
                return lines[i].simplified().section(' ', 0, 0).toDouble();
            };
            for (int i = 0; i < 2; ++i) {
                QVERIFY(presses[i].after > 0.0);
                QVERIFY2(stamped(i) >= videoAt(presses[i].before) - frame - 0.01 &&
                             stamped(i) <= videoAt(presses[i].after) + frame + 0.01,
                         qPrintable(lines.join('\n') + QString::number(videoAt(presses[i].after))));
            }
            QVERIFY(lines[1].endsWith(QLatin1String("  stop")));
            // The key after the stop has the stop's time, and so has the picture.
            QCOMPARE(stamped(2), stamped(1));
            QVERIFY(lines[2].endsWith(QLatin1String("  b")));
            QVERIFY(waitSettled(mpv()));
            QCOMPARE(mpv()->rate(), 0.0f);
            QVERIFY(std::abs(mpv()->currentTime() - stamped(1)) < 0.006);
        }
    }
};

QTEST_MAIN(AppReview)
#include "tst_app_review.moc"
