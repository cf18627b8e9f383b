// The libmpv player: items that load or fail (and nothing remote), exact
// seeks on frame-coded clips, the end pause; its picture on screen with the
// clock following it, frame steps, hidden.
#include "platform/mpv_player.h"
#include "platform/mpv_video_widget.h"
#include "support/clips.h"
#include "support/test_helpers.h"

#include <QScreen>
#include <QTcpServer>
#include <QVBoxLayout>
#include <QtTest>

#include <clocale>

namespace {

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

// The frame the X screen shows in the window, read without a paint of ours.
int onScreen(QWidget* window) {
    return frameCode(window->screen()->grabWindow(window->winId()).toImage());
}

} // namespace

class PlayerMpvView : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip;

    void seekAndSee(MpvPlayer* player, QWidget* picture, long long ms) {
        player->seekTo(ms);
        QVERIFY(waitSettled(player));
        QTRY_COMPARE(shownFrame(picture), int(frameAt(ms)));
        QCOMPARE(player->currentTime(), ms / 1000.0);
    }

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        const std::pair<QString, ClipShape> clips[] = {
            {"c30.mp4", {}},
            {"c2997.mp4", {"30000/1001", 10.0, 60, 1, true}}, // with sound
            {"wide.mp4", {"30", 1.0, 60, 2}}};                // pixels twice as wide as high
        for (const auto& [name, shape] : clips)
            QVERIFY(!makeCodedClip(dir.path(), name, shape).isEmpty());
        clip = dir.filePath(QStringLiteral("c30.mp4"));
        writeFile(dir.filePath("notes.txt"), "12.35  14:03:09  a\nnot a video\n");
        QFile whole(clip);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QVERIFY(writeFile(dir.filePath("truncated.mp4"), whole.read(whole.size() / 2)));
    }

    void itemsLoadPausedOrFailNothingRemoteOpensAndTheEndPauses() {
        // One player takes item after item (each paused at 0) while the last
        // plays; a local server sees whether anything tries to reach it.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString remote =
            QStringLiteral("http://127.0.0.1:%1/c30.mp4").arg(server.serverPort());
        writeFile(dir.filePath("list.m3u"), ("#EXTM3U\n" + remote + '\n' + clip + '\n').toUtf8());
        writeFile(dir.filePath("remote.edl"), ("# mpv EDL v0\n" + remote + '\n').toUtf8());
        const std::pair<QString, QSizeF> items[] = {
            {"wide.mp4", {640, 240}}, {"missing.mp4", {}},   {"c30.mp4", {320, 240}},
            {"notes.txt", {}},        {"truncated.mp4", {}}, {remote, {}},
            {"list.m3u", {}},         {"remote.edl", {}},    {"c30.mp4", {320, 240}}};
        MpvPlayer player(MpvPlayer::VideoOutput::None);
        for (const auto& [name, size] : items) {
            player.replaceCurrentItem(name == remote ? QUrl(remote)
                                                     : QUrl::fromLocalFile(dir.filePath(name)));
            QVERIFY(player.hasCurrentItem() && player.status() == ItemStatus::Unknown);
            QSignalSpy changes(&player, &Player::statusChanged);
            QVERIFY(waitSettled(&player));
            QTest::qWait(150);
            QVERIFY2(!server.hasPendingConnections(), qPrintable(name)); // nobody connected
            QCOMPARE(changes.count(), 1);
            QCOMPARE(player.status(),
                     size.isEmpty() ? ItemStatus::Failed : ItemStatus::ReadyToPlay);
            QCOMPARE((std::pair{player.rate(), player.currentTime()}), (std::pair{0.0f, 0.0}));
            if (size.isEmpty())
                continue;
            QCOMPARE(player.presentationSize(), size);
            QCOMPARE(frameCode(player.grabVideoFrame()), 0);
            player.setRate(1.0f);
            QTest::qWait(150);
        }
        // Two seconds at 4x take half a second; the end reads rate 0, at once
        // again when played there; after a seek back it plays.
        player.seekTo(8000);
        QVERIFY(waitSettled(&player));
        for (const float rate : {4.0f, 1.0f}) {
            QElapsedTimer wall;
            wall.start();
            player.setRate(rate);
            QCOMPARE(player.rate(), rate);
            QTRY_COMPARE_WITH_TIMEOUT(player.rate(), 0.0f, 10000);
            // Faster than one times speed would be (2 s), however busy the machine.
            QVERIFY2(rate < 4 || (wall.elapsed() > 250 && wall.elapsed() < 1900),
                     qPrintable(QString::number(wall.elapsed())));
            QVERIFY(player.currentTime() > 9.9 && player.currentTime() <= player.duration());
            QCOMPARE(frameCode(player.grabVideoFrame()), 299);
        }
        player.seekTo(200);
        QVERIFY(waitSettled(&player));
        player.setRate(1.0f);
        QTRY_VERIFY(player.currentTime() > 0.25);
    }

    void seekShowsTheFrameOnScreenAtTheTime() {
        const std::tuple<const char*, long long, long long> grids[] = {{"c30.mp4", 30, 1},
                                                                       {"c2997.mp4", 30000, 1001}};
        for (const auto& [name, num, den] : grids) {
            MpvPlayer player(MpvPlayer::VideoOutput::None);
            player.replaceCurrentItem(QUrl::fromLocalFile(dir.filePath(name)));
            player.seekTo(4321); // before the item is ready: lands once it is
            QCOMPARE(player.currentTime(), 4.321);
            QVERIFY(waitSettled(&player));
            const long long last = frameAt(std::llround(player.duration() * 1000.0) - 1, num, den);
            // Frame starts and either side, keyframes, the ends and beyond, random times.
            QList<long long> times{4321, 2000, 1999, 33,   34,   0,     1,    66,
                                   67,   100,  7346, 5005, 5004, 5006,  8999, 9000,
                                   3337, 3336, 1000, 1001, 9950, -1000, 60000};
            QRandomGenerator random(20260101);
            for (int i = 0; i < 20; ++i)
                times << random.bounded(0, 10000);
            for (long long ms : times) {
                if (ms != 4321)
                    player.seekTo(ms);
                const double time = std::clamp(ms / 1000.0, 0.0, player.duration());
                if (ms <= 10000)
                    QCOMPARE(player.currentTime(), time);
                QVERIFY(waitSettled(&player));
                const long long expected = std::min(frameAt(ms, num, den), last);
                QVERIFY2(frameCode(player.grabVideoFrame()) == int(expected),
                         qPrintable(QStringLiteral("%1 at %2 ms").arg(name).arg(ms)));
                QCOMPARE(player.currentTime(), time);
            }
        }
    }

    // Steps at the first and the last frame, and on a one-frame video, stay
    // there: the time read while the step is under way is the frame shown.
    // On a file of sound alone they do nothing.
    void stepsAtTheEnds() {
        QVERIFY(!makeCodedClip(dir.path(), "one.mp4", {"30", 1.0 / 30.0}).isEmpty());
        QCOMPARE(QProcess::execute("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                              "sine=duration=2", dir.filePath("tone.m4a")}),
                 0);
        {
            MpvPlayer player(MpvPlayer::VideoOutput::None);
            player.replaceCurrentItem(QUrl::fromLocalFile(dir.filePath("tone.m4a")));
            player.seekTo(1000);
            QVERIFY(waitSettled(&player));
            for (const bool forward : {false, true, false}) {
                player.stepFrame(forward);
                QVERIFY(waitSettled(&player));
                QCOMPARE(player.currentTime(), 1.0);
            }
        }
        const std::tuple<const char*, long long, bool, int> rows[] = {{"c30.mp4", 0, false, 0},
                                                                      {"c30.mp4", 9990, true, 299},
                                                                      {"c30.mp4", 9990, false, 298},
                                                                      {"one.mp4", 0, true, 0},
                                                                      {"one.mp4", 0, false, 0}};
        MpvPlayer player(MpvPlayer::VideoOutput::None);
        for (const auto& [name, ms, forward, frame] : rows) {
            player.replaceCurrentItem(QUrl::fromLocalFile(dir.filePath(name)));
            player.seekTo(ms);
            QVERIFY(waitSettled(&player));
            player.stepFrame(forward);
            QCOMPARE(player.currentTime(), frame / 30.0);
            QTest::qWait(600); // a step forward at the end ends when no frame comes
            QVERIFY(waitSettled(&player));
            QCOMPARE(int(std::floor(player.currentTime() * 30.0)), frame); // within it
            QCOMPARE(frameCode(player.grabVideoFrame()), frame);
        }
        // Steps while a load is under way do nothing; steps right after a
        // go-to go from its frame.
        player.replaceCurrentItem(QUrl::fromLocalFile(clip));
        player.stepFrame(true);
        QVERIFY(waitSettled(&player));
        QCOMPARE(player.currentTime(), 0.0);
        player.seekTo(5000);
        player.stepFrame(false);
        player.stepFrame(false);
        QCOMPARE(player.currentTime(), 148 / 30.0);
        QVERIFY(waitSettled(&player));
        QCOMPARE(player.currentTime(), 148 / 30.0);
        QCOMPARE(frameCode(player.grabVideoFrame()), 148);
    }

    void pictureOnScreen_data() {
        QTest::addColumn<MpvPlayer::VideoOutput>("output");
        if (MpvVideoWidget::openGLAvailable())
            QTest::newRow("OpenGL") << MpvPlayer::VideoOutput::OpenGL;
        QTest::newRow("software") << MpvPlayer::VideoOutput::Software;
    }
    void pictureOnScreen() {
        QFETCH(MpvPlayer::VideoOutput, output);
        // An item loaded before the picture is on screen shows once it is; one
        // picture per player, which may move to another window.
        MpvPlayer player{output};
        QWidget* picture = player.createVideoWidget(nullptr);
        QVERIFY(picture && !player.createVideoWidget(nullptr));
        player.replaceCurrentItem(QUrl::fromLocalFile(clip));
        QVERIFY(waitSettled(&player));
        auto window = showIn(picture);
        QVERIFY(window);
        QTRY_COMPARE(shownFrame(picture), 0);
        seekAndSee(&player, picture, 7777);
        window = showIn(picture); // OpenGL makes a new context there
        QVERIFY(window);
        QTRY_COMPARE(shownFrame(picture), int(frameAt(7777)));
        // While stopped, frame steps go one frame forward and back.
        seekAndSee(&player, picture, 4000);
        const std::tuple<bool, int, int> steps[] = {{true, 2, 122}, {false, 3, 119}};
        for (const auto& [forward, times, frame] : steps) {
            for (int i = 0; i < times; ++i)
                player.stepFrame(forward);
            QTRY_COMPARE(shownFrame(picture), frame);
            QTRY_COMPARE(player.currentTime(), frame / 30.0);
        }
        // Ten steps back at once (a held arrow key) read their frame at once
        // and cost the engine two seeks, not ten (and with OpenGL one more to
        // come back from decoding the frames before into the keep).
        const int seeksBefore = player.engineSeeks();
        const bool keeps = output == MpvPlayer::VideoOutput::OpenGL;
        for (int i = 0; i < 10; ++i)
            player.stepFrame(false);
        QCOMPARE(player.currentTime(), 109 / 30.0);
        QVERIFY(waitSettled(&player));
        QTRY_COMPARE(shownFrame(picture), 109);
        QCOMPARE(player.currentTime(), 109 / 30.0);
        QVERIFY(player.engineSeeks() - seeksBefore <= 2 + keeps);
        QCOMPARE(player.fillSeeks() > 0, keeps);
        // Those frames show at once (read with no event handled since the
        // step), and so does the one a step forward goes back to.
        for (const int to : {108, 107, 106, 105, 104, 103, 102, 101, 102, 103}) {
            player.stepFrame(to > std::lround(player.currentTime() * 30.0));
            QCOMPARE(player.currentTime(), to / 30.0);
            if (keeps)
                QCOMPARE(shownFrame(picture), to);
        }
        QVERIFY(waitSettled(&player));
        QTRY_COMPARE(shownFrame(picture), 103);
        QCOMPARE(frameCode(player.grabVideoFrame()), 103);

        // A stop at a time of the frame on screen keeps it, with no seek
        // (unless the engine showed one more frame on its way to the pause);
        // one at a time already passed takes the picture back by a seek.
        int keptFrame = 0;
        for (const double back : {0.0, 0.0, 0.0, 0.3}) {
            player.setRate(1.0f);
            const double from = player.currentTime();
            QTRY_VERIFY2_WITH_TIMEOUT(
                player.currentTime() > from + 0.4,
                qPrintable(QStringLiteral("from %1 s: at %2 s, rate %3, engine on frame %4")
                               .arg(from)
                               .arg(player.currentTime())
                               .arg(player.rate())
                               .arg(frameCode(player.grabVideoFrame()))),
                15000);
            const int seeks = player.engineSeeks();
            const double now = player.currentTime();
            const double t = (std::floor(now * 30.0) / 30.0 + now) / 2.0 - back;
            player.stopAt(t);
            QVERIFY(waitSettled(&player));
            QVERIFY(std::abs(player.currentTime() - t) < 0.0006);
            QTRY_COMPARE(shownFrame(picture), int(std::floor(player.currentTime() * 30.0)));
            QVERIFY(back == 0.0 || player.engineSeeks() > seeks);
            keptFrame += player.engineSeeks() == seeks;
        }
        QVERIFY(keptFrame > 0);

        // Steps back and forth after playing land on frames the OpenGL
        // picture kept: on screen at once (read with no event handled since
        // the step), the engine following; a frame not kept (its time not
        // told for sure while playing) waits for the engine.
        if (output == MpvPlayer::VideoOutput::OpenGL) {
            player.setRate(1.0f);
            QTest::qWait(1000);
            player.pause();
            QVERIFY(waitSettled(&player));
            int at = int(std::floor(player.currentTime() * 30.0 + 1e-9));
            QTRY_COMPARE(shownFrame(picture), at);
            int atOnce = 0;
            for (int i = 0; i < 9; ++i) {
                const int before = at;
                at += i < 6 ? -1 : 1;
                player.stepFrame(i >= 6);
                QCOMPARE(player.currentTime(), at / 30.0);
                const int shown = shownFrame(picture);
                QVERIFY2(shown == at || shown == before, qPrintable(QString::number(shown)));
                atOnce += shown == at;
                QVERIFY(waitSettled(&player));
                QTRY_COMPARE(shownFrame(picture), at);
                QCOMPARE(frameCode(player.grabVideoFrame()), at);
            }
            QVERIFY2(atOnce >= 6, qPrintable(QString::number(atOnce)));
            // A held arrow key runs from kept frames on past them: the picture
            // and the clock end on the same frame.
            for (int i = 0; i < 80; ++i)
                player.stepFrame(false);
            QCOMPARE(player.currentTime(), (at - 80) / 30.0);
            QVERIFY(waitSettled(&player));
            QTRY_COMPARE(shownFrame(picture), at - 80);
            QCOMPARE(player.currentTime(), (at - 80) / 30.0);
            // The same in real time, 30 steps a second for 3 s, from a frame
            // never shown: each step reads its frame at once, the picture
            // shows no frame the steps did not pass, and all end on one frame.
            seekAndSee(&player, picture, 9000);
            for (int i = 1; i <= 90; ++i) {
                player.stepFrame(false);
                QCOMPARE(player.currentTime(), (270 - i) / 30.0);
                const int shown = shownFrame(picture);
                QVERIFY2(shown >= 270 - i && shown <= 270, qPrintable(QString::number(shown)));
                QTest::qWait(33);
            }
            QVERIFY(waitSettled(&player));
            QTRY_COMPARE(shownFrame(picture), 180);
            QCOMPARE(frameCode(player.grabVideoFrame()), 180);
            // After a step forward onto a frame never shown, the frames after
            // it are decoded into the keep too: the next steps show at once.
            seekAndSee(&player, picture, 7000);
            player.stepFrame(true);
            QVERIFY(waitSettled(&player));
            QTRY_COMPARE(shownFrame(picture), 211);
            for (int to = 212; to < 218; ++to) {
                player.stepFrame(true);
                QCOMPARE(player.currentTime(), to / 30.0);
                QCOMPARE(shownFrame(picture), to);
            }
        }

        // While the interface is busy no picture is drawn and the clock stays
        // with the frame on screen; then, once the last picture's news is
        // handled (the engine may jump frames to catch up), it is within a frame.
        seekAndSee(&player, picture, 2000);
        player.setRate(1.0f);
        QTRY_VERIFY(onScreen(window.get()) > 75);
        const int frame = onScreen(window.get());
        QThread::msleep(150);
        QCoreApplication::sendPostedEvents(&player, QEvent::MetaCall);
        QCOMPARE(onScreen(window.get()), frame);
        QVERIFY(player.currentTime() < (frame + 1) / 30.0);
        for (int i = 0; i < 12; ++i) {
            QTest::qWait(23 + 7 * i);
            QCoreApplication::sendPostedEvents(&player, QEvent::MetaCall);
            const double t = player.currentTime();
            const int on = onScreen(window.get());
            QVERIFY2(t > (on - 1) / 30.0 && t < (on + 1) / 30.0,
                     qPrintable(QStringLiteral("%1 s on frame %2").arg(t).arg(on)));
        }
        QVERIFY(player.currentTime() > (frame + 20) / 30.0);
        // A hidden picture (help in front) does not hold playback back: 30 frames
        // a second, where one waiting for paints would show 5.
        window->hide();
        const int hiddenAt = frameCode(player.grabVideoFrame());
        const double hiddenTime = player.currentTime();
        QTest::qWait(1000);
        QVERIFY(frameCode(player.grabVideoFrame()) - hiddenAt > 15);
        QVERIFY(player.currentTime() - hiddenTime > 0.5);
        player.pause();
        window->show(); // and shows the frame it has got to
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_VERIFY(shownFrame(picture) > hiddenAt + 15);
        window.reset(); // the player goes on without its picture
        player.seekTo(1000);
        QVERIFY(waitSettled(&player));
        QCOMPARE(frameCode(player.grabVideoFrame()), 30);
    }
};

QTEST_MAIN(PlayerMpvView)
#include "tst_player_mpv_view.moc"
