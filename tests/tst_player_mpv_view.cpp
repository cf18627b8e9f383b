// The libmpv player: status and the local-files-only rule, exact seeks on
// frame-coded clips, rate and the end pause; its picture on screen in OpenGL
// and software drawing, re-parented, hidden, with the clock following it and
// teardown in either order; the player view's arrow keys, and keys stamped
// when they went down.
#include "platform/event_time.h"
#include "platform/mpv_player.h"
#include "platform/mpv_video_widget.h"
#include "session/state.h"
#include "support/clips.h"
#include "transport/player_view.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

// A listening socket on this machine that tells whether anyone connected.
struct LocalListener {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    LocalListener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* a = reinterpret_cast<sockaddr*>(&address);
        if (fd >= 0 && ::bind(fd, a, length) == 0 && ::listen(fd, 4) == 0 &&
            ::getsockname(fd, a, &length) == 0)
            port = ntohs(address.sin_port);
    }
    ~LocalListener() { ::close(fd); }
    bool connected() const {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
};

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

// The frame the X screen shows in the window: no paint of ours happens while reading it.
int onScreen(QWidget* window) {
    return frameCode(window->screen()->grabWindow(window->winId()).toImage());
}

} // namespace

class PlayerMpvView : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip;

    std::unique_ptr<MpvPlayer> open(const QString& name) {
        auto player = std::make_unique<MpvPlayer>(MpvPlayer::VideoOutput::None);
        player->replaceCurrentItem(QUrl::fromLocalFile(dir.filePath(name)));
        return waitSettled(player.get()) ? std::move(player) : nullptr;
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
        QVERIFY(!makeCodedClip(dir.path(), QStringLiteral("c2997.mp4"),
                               {QStringLiteral("30000/1001"), 10.0, 60, 1, true})
                     .isEmpty());
        QVERIFY(!makeCodedClip(dir.path(), QStringLiteral("wide.mp4"),
                               {QStringLiteral("30"), 1.0, 60, 2})
                     .isEmpty());
        writeFile(dir.path(), QStringLiteral("notes.txt"), "12.35  14:03:09  a\nnot a video\n");
        QFile whole(clip);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        writeFile(dir.path(), QStringLiteral("truncated.mp4"), whole.read(whole.size() / 2));
    }

    void eachItemWaitsPausedAtZeroOrFailsAndNothingRemoteOpens() {
        // One player takes item after item, the next while the last plays.
        // A server on this machine sees whether anything tries to reach it.
        LocalListener server;
        QVERIFY(server.port > 0);
        const QString remote = QStringLiteral("http://127.0.0.1:%1/c30.mp4").arg(server.port);
        const QString list = writeFile(dir.path(), QStringLiteral("list.m3u"),
                                       ("#EXTM3U\n" + remote + '\n' + clip + '\n').toUtf8());
        const QString edl = writeFile(dir.path(), QStringLiteral("remote.edl"),
                                      ("# mpv EDL v0\n" + remote + '\n').toUtf8());
        const auto local = [&](const char* name) {
            return QUrl::fromLocalFile(dir.filePath(name));
        };
        // Pixels twice as wide as high are shown at 640 x 240.
        const std::pair<QUrl, QSizeF> items[] = {
            {local("wide.mp4"), {640, 240}}, {local("missing.mp4"), {}},
            {local("c30.mp4"), {320, 240}},  {local("notes.txt"), {}},
            {local("truncated.mp4"), {}},    {QUrl(remote), {}},
            {QUrl::fromLocalFile(list), {}}, {QUrl::fromLocalFile(edl), {}},
            {local("c30.mp4"), {320, 240}}};
        MpvPlayer player(MpvPlayer::VideoOutput::None);
        for (const auto& [url, size] : items) {
            player.replaceCurrentItem(url);
            QVERIFY(player.hasCurrentItem());
            QCOMPARE(player.status(), ItemStatus::Unknown);
            QCOMPARE(player.rate(), 0.0f);
            QCOMPARE(player.currentTime(), 0.0);
            QSignalSpy changes(&player, &Player::statusChanged);
            QVERIFY(waitSettled(&player));
            QCOMPARE(changes.count(), 1);
            QTest::qWait(150);
            QVERIFY2(!server.connected(), qPrintable(url.toString()));
            QCOMPARE(player.rate(), 0.0f);
            QCOMPARE(player.currentTime(), 0.0);
            if (size.isEmpty()) {
                QCOMPARE(player.status(), ItemStatus::Failed);
                continue;
            }
            QCOMPARE(player.status(), ItemStatus::ReadyToPlay);
            QCOMPARE(player.presentationSize(), size);
            QCOMPARE(frameCode(player.grabVideoFrame()), 0);
            player.setRate(1.0f);
            QTest::qWait(150);
        }
    }

    void seekShowsTheFrameOnScreenAtTheTime_data() {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<long long>("num");
        QTest::addColumn<long long>("den");
        QTest::newRow("30 fps") << "c30.mp4" << 30LL << 1LL;
        QTest::newRow("29.97 fps with sound") << "c2997.mp4" << 30000LL << 1001LL;
    }
    void seekShowsTheFrameOnScreenAtTheTime() {
        QFETCH(QString, clip);
        QFETCH(long long, num);
        QFETCH(long long, den);
        auto player = std::make_unique<MpvPlayer>(MpvPlayer::VideoOutput::None);
        player->replaceCurrentItem(QUrl::fromLocalFile(dir.filePath(clip)));
        player->seekTo(4321); // before the item is ready: lands once it is
        QCOMPARE(player->currentTime(), 4.321);
        QVERIFY(waitSettled(player.get()));
        const long long last = frameAt(std::llround(player->duration() * 1000.0) - 1, num, den);
        // Frame starts, just before and after them, mid-frame, keyframes, the
        // ends and beyond, backwards and forwards, and a spread of random times.
        QList<long long> times{4321, 2000, 1999, 33,   34,   0,     1,    66,
                               67,   100,  7346, 5005, 5004, 5006,  8999, 9000,
                               3337, 3336, 1000, 1001, 9950, -1000, 60000};
        QRandomGenerator random(20260101);
        for (int i = 0; i < 20; ++i)
            times << random.bounded(0, 10000);
        for (long long ms : times) {
            if (ms != 4321)
                player->seekTo(ms);
            const double time = std::clamp(ms / 1000.0, 0.0, player->duration());
            if (ms <= 10000)
                QCOMPARE(player->currentTime(), time);
            QVERIFY(waitSettled(player.get()));
            const long long expected = std::min(frameAt(ms, num, den), last);
            QVERIFY2(frameCode(player->grabVideoFrame()) == int(expected),
                     qPrintable(QStringLiteral("at %1 ms, not frame %2").arg(ms).arg(expected)));
            QCOMPARE(player->currentTime(), time);
        }
    }

    void rateAndTheEndPause() {
        auto player = open(QStringLiteral("c30.mp4"));
        QVERIFY(player);
        // From stopped, a rate plays at once; while playing, a slower rate takes over.
        for (const float rate : {4.0f, 0.25f}) {
            player->setRate(rate);
            QCOMPARE(player->rate(), rate);
            QTest::qWait(100);
            const double before = player->currentTime();
            QElapsedTimer wall;
            wall.start();
            QTest::qWait(800);
            const double ratio = (player->currentTime() - before) / (wall.elapsed() / 1000.0);
            QVERIFY2(ratio > rate / 2 && ratio < rate * 2, qPrintable(QString::number(ratio)));
        }
        // Rates beyond the engine's range play at its limit; 0 and below stop.
        player->setRate(1000.0f);
        QCOMPARE(player->rate(), 100.0f);
        player->setRate(-1.0f);
        QCOMPARE(player->rate(), 0.0f);
        // At the end playback pauses and the rate reads 0; playing there
        // stops again at once; after a seek back it plays.
        player->seekTo(9000);
        QVERIFY(waitSettled(player.get()));
        for (const float rate : {2.0f, 1.0f}) {
            player->setRate(rate);
            QTRY_COMPARE_WITH_TIMEOUT(player->rate(), 0.0f, 10000);
            QVERIFY2(player->currentTime() > 9.9 && player->currentTime() <= player->duration(),
                     qPrintable(QString::number(player->currentTime())));
            QCOMPARE(frameCode(player->grabVideoFrame()), 299);
        }
        player->seekTo(200);
        QVERIFY(waitSettled(player.get()));
        player->setRate(1.0f);
        QTest::qWait(300);
        QVERIFY(player->currentTime() > 0.2);
    }

    void automaticOutputAndAPictureThatOutlivesItsPlayer() {
        // The automatic choice draws through OpenGL wherever it can; one
        // picture per player.
        auto player = std::make_unique<MpvPlayer>();
        QWidget* picture = player->createVideoWidget(nullptr);
        QVERIFY(picture && !player->createVideoWidget(nullptr));
        QCOMPARE(qobject_cast<MpvVideoWidget*>(picture) != nullptr,
                 MpvVideoWidget::openGLAvailable());
        auto window = showIn(picture);
        player->replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(window && waitSettled(player.get()));
        QTRY_COMPARE(onScreen(window.get()), 0);
        player.reset();
        QTest::qWait(50);
    }

    void pictureOnScreen_data() {
        QTest::addColumn<MpvPlayer::VideoOutput>("output");
        if (MpvVideoWidget::openGLAvailable())
            QTest::newRow("OpenGL") << MpvPlayer::VideoOutput::OpenGL;
        QTest::newRow("software") << MpvPlayer::VideoOutput::Software;
    }
    void pictureOnScreen() {
        QFETCH(MpvPlayer::VideoOutput, output);
        // The item loads before the picture is on screen, and shows once it is.
        MpvPlayer player{output};
        QWidget* picture = player.createVideoWidget(nullptr);
        player.replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(&player));
        auto window = showIn(picture);
        QVERIFY(window);
        QTRY_COMPARE(frameCode(shown(picture)), 0);
        seekAndSee(&player, picture, 7777);
        // Into another window: OpenGL makes a new context there.
        auto other = showIn(picture);
        QVERIFY(other);
        window = std::move(other);
        QTRY_COMPARE(frameCode(shown(picture)), int(frameAt(7777)));
        // While stopped, frame steps go one frame forward and back.
        seekAndSee(&player, picture, 4000);
        const std::tuple<bool, int, int> steps[] = {{true, 2, 122}, {false, 3, 119}};
        for (const auto& [forward, times, frame] : steps) {
            for (int i = 0; i < times; ++i)
                player.stepFrame(forward);
            QTRY_COMPARE(frameCode(shown(picture)), frame);
            QTRY_COMPARE(player.currentTime(), frame / 30.0);
        }
        // A step forward from the last frame shows nothing new and does not
        // hold back the steps after it.
        player.seekTo(60000);
        QVERIFY(waitSettled(&player));
        player.stepFrame(true);
        player.stepFrame(false);
        QTRY_COMPARE(frameCode(player.grabVideoFrame()), 298);
        QCOMPARE(player.rate(), 0.0f);

        seekAndSee(&player, picture, 2000);
        player.setRate(1.0f);
        QTRY_VERIFY(onScreen(window.get()) > 75);
        // The interface is busy while the engine moves on: its reports of new
        // frames come in, but no new picture is drawn. The clock stays with
        // the frame on screen.
        const int frame = onScreen(window.get());
        QThread::msleep(150);
        QCoreApplication::sendPostedEvents(&player, QEvent::MetaCall);
        QCOMPARE(onScreen(window.get()), frame);
        QVERIFY2(
            player.currentTime() < (frame + 1) / 30.0,
            qPrintable(QStringLiteral("%1 s on frame %2").arg(player.currentTime()).arg(frame)));
        // Drawing again, it follows the pictures: within a frame of the one
        // on screen whenever it is read, and on past the busy moment.
        for (int i = 0; i < 12; ++i) {
            QTest::qWait(23 + 7 * i);
            const double t = player.currentTime();
            const int on = onScreen(window.get());
            QVERIFY2(t > (on - 1) / 30.0 && t < (on + 1) / 30.0,
                     qPrintable(QStringLiteral("%1 s on frame %2").arg(t).arg(on)));
        }
        QVERIFY(player.currentTime() > (frame + 20) / 30.0);

        // A hidden picture (the help tab in front, the window minimised) does
        // not hold playback back: the clock and the frames run on.
        window->hide();
        QTest::qWait(50);
        const int hiddenAt = frameCode(player.grabVideoFrame());
        const double timeAt = player.currentTime();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(1000);
        const int frames = frameCode(player.grabVideoFrame()) - hiddenAt;
        const double seconds = wall.elapsed() / 1000.0;
        QVERIFY(player.currentTime() - timeAt > 0.5 * seconds);
        // 30 frames a second; a picture that waited for paints would manage 5.
        QVERIFY2(frames > 15 * seconds,
                 qPrintable(QStringLiteral("%1 in %2 s").arg(frames).arg(seconds)));
        player.pause();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_VERIFY(frameCode(shown(picture)) >= hiddenAt + frames);
        window.reset(); // the player goes on without its picture
        player.seekTo(1000);
        QVERIFY(waitSettled(&player));
        QCOMPARE(frameCode(player.grabVideoFrame()), 30);
    }

    // Keys pressed while the interface thread is busy are stamped with the
    // playhead when they went down: play, a key, space, then a key, all
    // during one stall of 700 ms.
    void keysAreStampedWhenTheyWentDown() {
        auto* view = new AVPlayerViewAcceptsDrop;
        auto window = showIn(view);
        QVERIFY(window);
        auto owned = std::make_unique<MpvPlayer>();
        MpvPlayer* player = owned.get();
        view->setPlayer(std::move(owned));
        player->replaceCurrentItem(QUrl::fromLocalFile(clip));
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
        const double frame = 1.0 / 30.0;
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
