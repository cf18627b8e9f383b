// The libmpv player's picture on screen: OpenGL and software drawing, the
// frame shown after a seek, re-parenting, teardown in either order, and the
// player view's own arrow keys.
#include "platform/mpv_player.h"
#include "platform/mpv_video_widget.h"
#include "session/key_event.h"
#include "support/clips.h"
#include "transport/player_view.h"

#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <clocale>
#include <memory>

namespace {

bool waitSettled(MpvPlayer& player, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!player.isSettled() && timer.elapsed() < ms)
        QTest::qWait(5);
    return player.isSettled();
}

// What the widget shows now, drawn as it draws on screen.
QImage shown(QWidget* widget) {
    if (auto* gl = qobject_cast<MpvVideoWidget*>(widget))
        return gl->grabFramebuffer();
    return widget->grab().toImage();
}

// A window holding one picture of the clip's size, so that the picture fills it.
std::unique_ptr<QWidget> windowFor(QWidget* picture) {
    auto window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    picture->setFixedSize(320, 240);
    layout->addWidget(picture);
    return window;
}

} // namespace

class PlayerMpvView : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip;

    void checkPicture(MpvPlayer::VideoOutput output) {
        auto player = std::make_unique<MpvPlayer>(output);
        QWidget* picture = player->createVideoWidget(nullptr);
        QVERIFY(picture);
        QVERIFY(!player->createVideoWidget(nullptr)); // one picture per player
        auto window = windowFor(picture);
        // The item loads before the picture is on screen, and shows once it is.
        player->replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(*player));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_COMPARE(frameCode(shown(picture)), 0);

        for (long long ms : {1500LL, 2999LL, 34LL, 7777LL}) {
            player->seekTo(ms);
            QVERIFY(waitSettled(*player));
            QTRY_COMPARE(frameCode(shown(picture)), int(frameAt(ms, 30, 1)));
            QCOMPARE(player->currentTime(), double(ms) / 1000.0);
        }

        // Into another window: OpenGL makes a new context there.
        auto other = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(other.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(picture);
        other->show();
        QVERIFY(QTest::qWaitForWindowExposed(other.get()));
        window.reset();
        QTRY_COMPARE(frameCode(shown(picture)), int(frameAt(7777, 30, 1)));
        player->seekTo(2000);
        QVERIFY(waitSettled(*player));
        QTRY_COMPARE(frameCode(shown(picture)), 60);

        // It plays on screen.
        player->setRate(1.0f);
        QTRY_VERIFY(frameCode(shown(picture)) > 75);
        player->setRate(0.0f);
        player.reset(); // the picture outlives the player
        QTest::qWait(50);
        other.reset();
    }

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(dir.isValid());
        clip = makeCodedClip(dir.path(), QStringLiteral("c30.mp4"), ClipSpec());
        QVERIFY2(!clip.isEmpty(), qPrintable(ffmpegError()));
    }

    void openGLPictureShowsTheFrameAndSurvivesReparenting() {
        if (!MpvVideoWidget::openGLAvailable())
            QSKIP("no OpenGL context can be made here");
        checkPicture(MpvPlayer::VideoOutput::OpenGL);
    }

    void softwarePictureShowsTheFrameAndSurvivesReparenting() {
        checkPicture(MpvPlayer::VideoOutput::Software);
    }

    void aHiddenPictureDoesNotHoldPlaybackBack_data() {
        QTest::addColumn<int>("output");
        if (MpvVideoWidget::openGLAvailable())
            QTest::newRow("OpenGL") << int(MpvPlayer::VideoOutput::OpenGL);
        QTest::newRow("software") << int(MpvPlayer::VideoOutput::Software);
    }
    void aHiddenPictureDoesNotHoldPlaybackBack() {
        // As with the help tab in front, or the window minimised.
        QFETCH(int, output);
        MpvPlayer player{MpvPlayer::VideoOutput(output)};
        QWidget* picture = player.createVideoWidget(nullptr);
        auto window = windowFor(picture);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        player.replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(player));
        QTRY_COMPARE(frameCode(shown(picture)), 0);
        window->hide();
        QTest::qWait(50);
        QElapsedTimer wall;
        player.setRate(1.0f);
        wall.start();
        QTest::qWait(1000);
        const int frames = frameCode(player.grabVideoFrame());
        const double seconds = wall.elapsed() / 1000.0;
        // 30 frames a second; a picture that waited for paints would manage 5.
        QVERIFY2(frames > 15 * seconds,
                 qPrintable(QStringLiteral("%1 frames in %2 s").arg(frames).arg(seconds)));
        QVERIFY(player.currentTime() > 0.5 * seconds);
        player.pause();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_VERIFY(frameCode(shown(picture)) >= frames);
    }

    void automaticChoiceDrawsAndPictureGoesFirst() {
        auto player = std::make_unique<MpvPlayer>();
        std::unique_ptr<QWidget> picture(player->createVideoWidget(nullptr));
        QVERIFY(picture);
        QCOMPARE(qobject_cast<MpvVideoWidget*>(picture.get()) != nullptr,
                 MpvVideoWidget::openGLAvailable());
        picture->resize(320, 240);
        picture->show();
        QVERIFY(QTest::qWaitForWindowExposed(picture.get()));
        player->replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(*player));
        QTRY_COMPARE(frameCode(shown(picture.get())), 0);
        picture.reset(); // the player goes on without a picture
        player->seekTo(1000);
        QVERIFY(waitSettled(*player));
        QCOMPARE(frameCode(player->grabVideoFrame()), 30);
    }

    void firstLoadIntoAWindowAlreadyOnScreen() {
        // As at start-up: the window is up before the first load makes the
        // player and its picture.
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* view = new AVPlayerViewAcceptsDrop(&window);
        view->setFixedSize(320, 240);
        layout->addWidget(view);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto owned = std::make_unique<MpvPlayer>();
        MpvPlayer* player = owned.get();
        view->setPlayer(std::move(owned));
        player->replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(*player));
        player->seekTo(4000);
        QVERIFY(waitSettled(*player));
        auto* picture = view->findChild<QWidget*>();
        QVERIFY(picture);
        QTRY_COMPARE(frameCode(shown(picture)), 120);
        // The whole window shows it too, on the X screen itself.
        QTRY_COMPARE(frameCode(window.grab().toImage()), 120);
        QTRY_COMPARE(frameCode(window.screen()->grabWindow(window.winId()).toImage()), 120);
    }

    void playerViewArrowsStepFramesWhileStopped() {
        AVPlayerViewAcceptsDrop view;
        view.resize(320, 240);
        auto owned = std::make_unique<MpvPlayer>();
        MpvPlayer* player = owned.get();
        view.setPlayer(std::move(owned));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        player->replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(*player));
        player->seekTo(1000);
        QVERIFY(waitSettled(*player));

        KeyEvent right;
        right.keyCode = kKeyRightArrow;
        KeyEvent left;
        left.keyCode = kKeyLeftArrow;
        view.superHandleKeyDown(right);
        view.superHandleKeyDown(right);
        QTRY_COMPARE(frameCode(player->grabVideoFrame()), 32);
        QTRY_COMPARE(player->currentTime(), 32.0 / 30.0);
        view.superHandleKeyDown(left);
        view.superHandleKeyDown(left);
        view.superHandleKeyDown(left);
        QVERIFY(waitSettled(*player));
        QTRY_COMPARE(frameCode(player->grabVideoFrame()), 29);
        QTRY_COMPARE(player->currentTime(), 29.0 / 30.0);
        QCOMPARE(player->rate(), 0.0f);
    }
};

QTEST_MAIN(PlayerMpvView)
#include "tst_player_mpv_view.moc"
