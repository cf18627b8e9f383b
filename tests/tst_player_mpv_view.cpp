// The libmpv player's picture on screen: OpenGL and software drawing, the
// frame shown after a seek, re-parenting, a hidden picture, the clock
// following the picture, teardown in either order, the automatic choice and
// the player view's own arrow keys.
#include "platform/event_time.h"
#include "platform/mpv_player.h"
#include "platform/mpv_video_widget.h"
#include "platform/resources.h"
#include "session/key_event.h"
#include "session/state.h"
#include "support/clips.h"
#include "transport/player_view.h"

#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>
#include <QtTest>

#include <clocale>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

// What the widget shows now, drawn as it draws on screen.
QImage shown(QWidget* widget) {
    if (auto* gl = qobject_cast<MpvVideoWidget*>(widget))
        return gl->grabFramebuffer();
    return widget->grab().toImage();
}

// A window on screen holding one picture of the clip's size, filling it.
std::unique_ptr<QWidget> showIn(QWidget* picture) {
    auto window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    picture->setFixedSize(320, 240);
    layout->addWidget(picture);
    window->show();
    return QTest::qWaitForWindowExposed(window.get()) ? std::move(window) : nullptr;
}

} // namespace

class PlayerMpvView : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip;

    // Shows the player's picture in a window of its own and loads the clip
    // there: the window once the first frame shows, else nullptr.
    std::unique_ptr<QWidget> loadOnScreen(MpvPlayer& player) {
        QWidget* picture = player.createVideoWidget(nullptr);
        if (!picture)
            return nullptr;
        auto window = showIn(picture);
        player.replaceCurrentItem(QUrl::fromLocalFile(clip));
        if (!window || !waitSettled(&player))
            return nullptr;
        return QTest::qWaitFor([&] { return frameCode(shown(picture)) == 0; }) ? std::move(window)
                                                                               : nullptr;
    }

    void seekAndSee(MpvPlayer* player, QWidget* picture, long long ms) {
        player->seekTo(ms);
        QVERIFY(waitSettled(player));
        QTRY_COMPARE(frameCode(shown(picture)), int(frameAt(ms)));
        QCOMPARE(player->currentTime(), ms / 1000.0);
    }

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(dir.isValid());
        clip = makeCodedClip(dir.path(), QStringLiteral("c30.mp4"));
        QVERIFY(!clip.isEmpty());
    }

    void pictureShowsTheFrameAndSurvivesReparenting_data() {
        QTest::addColumn<MpvPlayer::VideoOutput>("output");
        if (MpvVideoWidget::openGLAvailable())
            QTest::newRow("OpenGL") << MpvPlayer::VideoOutput::OpenGL;
        QTest::newRow("software") << MpvPlayer::VideoOutput::Software;
    }
    void pictureShowsTheFrameAndSurvivesReparenting() {
        QFETCH(MpvPlayer::VideoOutput, output);
        auto player = std::make_unique<MpvPlayer>(output);
        QWidget* picture = player->createVideoWidget(nullptr);
        QVERIFY(picture);
        QVERIFY(!player->createVideoWidget(nullptr)); // one picture per player
        // The item loads before the picture is on screen, and shows once it is.
        player->replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(player.get()));
        auto window = showIn(picture);
        QVERIFY(window);
        QTRY_COMPARE(frameCode(shown(picture)), 0);
        seekAndSee(player.get(), picture, 1500);
        seekAndSee(player.get(), picture, 7777);

        // Into another window: OpenGL makes a new context there.
        auto other = showIn(picture);
        QVERIFY(other);
        window.reset();
        QTRY_COMPARE(frameCode(shown(picture)), int(frameAt(7777)));
        seekAndSee(player.get(), picture, 2000);
        player->setRate(1.0f); // it plays on screen
        QTRY_VERIFY(frameCode(shown(picture)) > 75);
        player.reset(); // the picture outlives the player
        QTest::qWait(50);
    }

    void aHiddenPictureDoesNotHoldPlaybackBack_data() {
        pictureShowsTheFrameAndSurvivesReparenting_data();
    }
    void aHiddenPictureDoesNotHoldPlaybackBack() {
        // As with the help tab in front, or the window minimised.
        QFETCH(MpvPlayer::VideoOutput, output);
        MpvPlayer player{output};
        auto window = loadOnScreen(player);
        QVERIFY(window);
        QWidget* picture = window->layout()->itemAt(0)->widget();
        window->hide();
        QTest::qWait(50);
        QElapsedTimer wall;
        player.setRate(1.0f);
        wall.start();
        QTest::qWait(1000);
        const int frames = frameCode(player.grabVideoFrame());
        const double seconds = wall.elapsed() / 1000.0;
        // The clock runs with the frames nobody sees.
        QVERIFY(player.currentTime() > 0.5 * seconds);
        // 30 frames a second; a picture that waited for paints would manage 5.
        QVERIFY2(frames > 15 * seconds,
                 qPrintable(QStringLiteral("%1 in %2 s").arg(frames).arg(seconds)));
        player.pause();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_VERIFY(frameCode(shown(picture)) >= frames);
        window.reset(); // the player goes on without its picture
        player.seekTo(1000);
        QVERIFY(waitSettled(&player));
        QCOMPARE(frameCode(player.grabVideoFrame()), 30);
    }

    void theClockFollowsThePictureOnScreen_data() {
        pictureShowsTheFrameAndSurvivesReparenting_data();
    }
    void theClockFollowsThePictureOnScreen() {
        QFETCH(MpvPlayer::VideoOutput, output);
        MpvPlayer player{output};
        auto window = loadOnScreen(player);
        QVERIFY(window);
        // What the X screen shows: no paint of ours happens while reading it.
        const auto onScreen = [&] {
            return frameCode(window->screen()->grabWindow(window->winId()).toImage());
        };
        player.setRate(1.0f);
        QTRY_VERIFY(onScreen() > 10);

        // The interface is busy while the engine moves on: its reports of new
        // frames come in, but no new picture is drawn. The clock stays with
        // the frame on screen.
        const int frame = onScreen();
        QThread::msleep(150);
        QCoreApplication::sendPostedEvents(&player, QEvent::MetaCall);
        QCOMPARE(onScreen(), frame);
        QVERIFY2(
            player.currentTime() < (frame + 1) / 30.0,
            qPrintable(QStringLiteral("%1 s on frame %2").arg(player.currentTime()).arg(frame)));

        // Drawing again, it follows the pictures: within a frame of the one
        // on screen whenever it is read, and on past the busy moment.
        for (int i = 0; i < 12; ++i) {
            QTest::qWait(23 + 7 * i);
            const double t = player.currentTime();
            const int shown = onScreen();
            QVERIFY2(t > (shown - 1) / 30.0 && t < (shown + 1) / 30.0,
                     qPrintable(QStringLiteral("%1 s on frame %2").arg(t).arg(shown)));
        }
        QVERIFY(player.currentTime() > (frame + 20) / 30.0);
    }

    void firstLoadIntoAWindowOnScreenAndArrowKeys() {
        // As at start-up: the window is up before the first load makes the
        // player and its picture.
        auto* view = new AVPlayerViewAcceptsDrop;
        auto window = showIn(view);
        QVERIFY(window);
        auto owned = std::make_unique<MpvPlayer>();
        MpvPlayer* player = owned.get();
        view->setPlayer(std::move(owned));
        player->replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(player));
        // The automatic choice draws through OpenGL wherever it can.
        auto* picture = view->findChild<QWidget*>();
        QVERIFY(picture);
        QCOMPARE(qobject_cast<MpvVideoWidget*>(picture) != nullptr,
                 MpvVideoWidget::openGLAvailable());
        seekAndSee(player, picture, 4000);
        // The whole window shows it too, on the X screen itself.
        QTRY_COMPARE(frameCode(window->grab().toImage()), 120);
        QTRY_COMPARE(frameCode(window->screen()->grabWindow(window->winId()).toImage()), 120);

        // While stopped, the arrows step one frame forward and back.
        const auto press = [view](int code, int times) {
            KeyEvent key;
            key.keyCode = code;
            for (int i = 0; i < times; ++i)
                view->superHandleKeyDown(key);
        };
        press(kKeyRightArrow, 2);
        QTRY_COMPARE(frameCode(player->grabVideoFrame()), 122);
        QTRY_COMPARE(player->currentTime(), 122.0 / 30.0);
        press(kKeyLeftArrow, 3);
        QTRY_COMPARE(frameCode(player->grabVideoFrame()), 119);
        QTRY_COMPARE(player->currentTime(), 119.0 / 30.0);
        // A step forward from the last frame shows nothing new and does not
        // hold back the steps after it.
        player->seekTo(60000);
        QVERIFY(waitSettled(player));
        press(kKeyRightArrow, 1);
        press(kKeyLeftArrow, 1);
        QTRY_COMPARE(frameCode(player->grabVideoFrame()), 298);
        QCOMPARE(player->rate(), 0.0f);
    }

    // Keys pressed while the interface thread is busy are stamped with the
    // playhead when they went down: play, a key, space, then a key, all
    // during one stall of 700 ms.
    void keysAreStampedWhenTheyWentDown_data() {
        QTest::addColumn<bool>("stopwatch");
        QTest::newRow("video") << false;
        QTest::newRow("stopwatch") << true;
    }
    void keysAreStampedWhenTheyWentDown() {
        QFETCH(bool, stopwatch);
        auto* view = new AVPlayerViewAcceptsDrop;
        auto window = showIn(view);
        QVERIFY(window);
        auto owned = std::make_unique<MpvPlayer>();
        MpvPlayer* player = owned.get();
        view->setPlayer(std::move(owned));
        player->replaceCurrentItem(
            QUrl::fromLocalFile(stopwatch ? resourcePath() + QStringLiteral("/movie.mp4") : clip));
        QVERIFY(waitSettled(player));
        QPlainTextEdit script;
        savedState().script = &script;
        savedState().playerView = view;
        window->activateWindow();
        view->setFocus();
        QTRY_VERIFY(view->hasFocus());
        player->setRate(1.0f);
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
        const double videoAtStart = player->currentTime();
        QThread::msleep(700);
        presser.join();
        QTRY_COMPARE(script.document()->blockCount(), 4); // three lines and the empty last
        // A frame of the video; the stopwatch's clock has a millisecond.
        const double frame = stopwatch ? 0.001 : 1.0 / 30.0;
        const auto videoAt = [&](double moment) { return videoAtStart + (moment - stallStart); };
        const QStringList lines = script.toPlainText().split('\n');
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
        QVERIFY(waitSettled(player));
        QCOMPARE(player->rate(), 0.0f);
        QVERIFY(std::abs(player->currentTime() - stamped(1)) < 0.006);
        savedState().script = nullptr;
        savedState().playerView = nullptr;
    }
};

QTEST_MAIN(PlayerMpvView)
#include "tst_player_mpv_view.moc"
