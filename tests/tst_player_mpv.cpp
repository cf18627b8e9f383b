// The libmpv player without a picture: status, the clock, exact seeks on
// frame-coded clips, rate, the end pause and the local-files-only rule.
#include "platform/mpv_player.h"
#include "support/clips.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <memory>

namespace {

// A listening socket on this machine that tells whether anyone connected.
class LocalListener {
public:
    LocalListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(fd_, 4) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~LocalListener() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int port() const { return port_; }
    bool connected() const {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Waits (processing events) until the player has loaded or failed.
bool waitSettled(MpvPlayer& player, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!player.isSettled() && timer.elapsed() < ms)
        QTest::qWait(5);
    return player.isSettled();
}

} // namespace

class PlayerMpv : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip30, clip2997, clip1, clipShort, clipWide;

    std::unique_ptr<MpvPlayer> open(const QString& path) {
        auto player = std::make_unique<MpvPlayer>(MpvPlayer::VideoOutput::None);
        player->replaceCurrentItem(QUrl::fromLocalFile(path));
        return player;
    }

    // Seeks to ms and checks the time read back and the frame shown.
    void checkSeek(MpvPlayer& player, long long ms, long long num, long long den) {
        player.seekTo(ms);
        QCOMPARE(player.currentTime(), double(ms) / 1000.0);
        QVERIFY2(waitSettled(player), qPrintable(QStringLiteral("seek to %1 ms").arg(ms)));
        const long long last = frameAt(std::llround(player.duration() * 1000.0) - 1, num, den);
        const long long expected = std::min(frameAt(ms, num, den), last);
        const int shown = frameCode(player.grabVideoFrame());
        QVERIFY2(shown == int(expected),
                 qPrintable(QStringLiteral("at %1 ms frame %2 instead of %3")
                                .arg(ms)
                                .arg(shown)
                                .arg(expected)));
        QCOMPARE(player.currentTime(), double(ms) / 1000.0);
    }

    // Reads the clock every few ms for the given wall time.
    QList<double> sampleClock(MpvPlayer& player, int ms) {
        QList<double> samples;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            samples << player.currentTime();
            QTest::qWait(7);
        }
        return samples;
    }

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(dir.isValid());
        ClipSpec s30;
        clip30 = makeCodedClip(dir.path(), QStringLiteral("c30.mp4"), s30);
        QVERIFY2(!clip30.isEmpty(), qPrintable(ffmpegError()));
        ClipSpec s2997;
        s2997.frameRate = QStringLiteral("30000/1001");
        s2997.audio = true;
        clip2997 = makeCodedClip(dir.path(), QStringLiteral("c2997.mp4"), s2997);
        QVERIFY2(!clip2997.isEmpty(), qPrintable(ffmpegError()));
        ClipSpec s1;
        s1.frameRate = QStringLiteral("1");
        s1.seconds = 6;
        s1.keyframeInterval = 10;
        clip1 = makeCodedClip(dir.path(), QStringLiteral("c1.mkv"), s1);
        QVERIFY2(!clip1.isEmpty(), qPrintable(ffmpegError()));
        ClipSpec sShort;
        sShort.seconds = 1.0;
        clipShort = makeCodedClip(dir.path(), QStringLiteral("short.mp4"), sShort);
        QVERIFY2(!clipShort.isEmpty(), qPrintable(ffmpegError()));
        ClipSpec sWide;
        sWide.seconds = 1.0;
        sWide.sampleAspect = 2;
        clipWide = makeCodedClip(dir.path(), QStringLiteral("wide.mp4"), sWide);
        QVERIFY2(!clipWide.isEmpty(), qPrintable(ffmpegError()));
    }

    void statusOfPlayableAndUnplayableFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("status");
        QTest::newRow("playable") << QStringLiteral("c30.mp4") << int(ItemStatus::ReadyToPlay);
        QTest::newRow("missing") << QStringLiteral("missing.mp4") << int(ItemStatus::Failed);
        QTest::newRow("text") << QStringLiteral("notes.txt") << int(ItemStatus::Failed);
        QTest::newRow("truncated") << QStringLiteral("truncated.mp4") << int(ItemStatus::Failed);
    }
    void statusOfPlayableAndUnplayableFiles() {
        QFETCH(QString, name);
        QFETCH(int, status);
        QFile text(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("12.35  14:03:09  a\nnot a video at all\n");
        text.close();
        QFile whole(clip30);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(dir.filePath(QStringLiteral("truncated.mp4")));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(whole.size() / 2));
        cut.close();

        auto player = open(dir.filePath(name));
        QCOMPARE(player->status(), ItemStatus::Unknown);
        QVERIFY(player->hasCurrentItem());
        QSignalSpy changes(player.get(), &Player::statusChanged);
        QVERIFY(waitSettled(*player));
        QCOMPARE(int(player->status()), status);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->currentTime(), 0.0);
    }

    void nothingButLocalFilesIsOpened() {
        // A server on this machine sees whether anything tries to reach it.
        LocalListener server;
        QVERIFY(server.port() > 0);
        const QString remote = QStringLiteral("http://127.0.0.1:%1/c30.mp4").arg(server.port());
        QFile list(dir.filePath(QStringLiteral("list.m3u")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(QStringLiteral("#EXTM3U\n%1\n%2\n").arg(remote, clip30).toUtf8());
        list.close();
        QFile edl(dir.filePath(QStringLiteral("remote.edl")));
        QVERIFY(edl.open(QIODevice::WriteOnly));
        edl.write(QStringLiteral("# mpv EDL v0\n%1\n").arg(remote).toUtf8());
        edl.close();

        for (const QUrl& url : {QUrl(remote), QUrl::fromLocalFile(list.fileName()),
                                QUrl::fromLocalFile(edl.fileName())}) {
            MpvPlayer player(MpvPlayer::VideoOutput::None);
            player.replaceCurrentItem(url);
            QVERIFY(waitSettled(player));
            QCOMPARE(player.status(), ItemStatus::Failed);
            QTest::qWait(100);
            QVERIFY2(!server.connected(), qPrintable(url.toString()));
        }
    }

    void newItemWaitsPausedAtZeroWithItsDisplaySize() {
        auto player = open(clipWide);
        QVERIFY(waitSettled(*player));
        QCOMPARE(player->status(), ItemStatus::ReadyToPlay);
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->currentTime(), 0.0);
        QCOMPARE(frameCode(player->grabVideoFrame()), 0);
        // Pixels twice as wide as high: the picture is shown at 640 x 240.
        QCOMPARE(player->presentationSize(), QSizeF(640, 240));
        QTest::qWait(200);
        QCOMPARE(player->currentTime(), 0.0);

        // The same player takes the next item, again paused at 0.
        player->setRate(1.0f);
        QTest::qWait(150);
        player->replaceCurrentItem(QUrl::fromLocalFile(clip30));
        QCOMPARE(player->status(), ItemStatus::Unknown);
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->currentTime(), 0.0);
        QVERIFY(waitSettled(*player));
        QCOMPARE(player->status(), ItemStatus::ReadyToPlay);
        QCOMPARE(player->presentationSize(), QSizeF(320, 240));
        QTest::qWait(150);
        QCOMPARE(player->currentTime(), 0.0);
        QCOMPARE(frameCode(player->grabVideoFrame()), 0);
    }

    void seekShowsTheFrameOnScreenAtTheTime_data() {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<long long>("num");
        QTest::addColumn<long long>("den");
        QTest::newRow("30 fps") << QStringLiteral("c30.mp4") << 30LL << 1LL;
        QTest::newRow("29.97 fps with sound") << QStringLiteral("c2997.mp4") << 30000LL << 1001LL;
    }
    void seekShowsTheFrameOnScreenAtTheTime() {
        QFETCH(QString, clip);
        QFETCH(long long, num);
        QFETCH(long long, den);
        auto player = open(dir.filePath(clip));
        QVERIFY(waitSettled(*player));
        // Frame starts, just before and after them, mid-frame, keyframes, the
        // ends, backwards and forwards, and a spread of random times.
        QList<long long> times{2000, 1999, 33,   34,   0,    1,    66,   67,   100,  7346,
                               5005, 5004, 5006, 8999, 9000, 3337, 3336, 1000, 1001, 9950};
        QRandomGenerator random(20260101);
        for (int i = 0; i < 20; ++i)
            times << random.bounded(0, 10000);
        for (long long ms : times) {
            checkSeek(*player, ms, num, den);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void seekOutsideTheVideoStaysAtItsEnds() {
        auto player = open(clip30);
        QVERIFY(waitSettled(*player));
        player->seekTo(5000);
        QVERIFY(waitSettled(*player));
        player->seekTo(-1000);
        QCOMPARE(player->currentTime(), 0.0);
        QVERIFY(waitSettled(*player));
        QCOMPARE(frameCode(player->grabVideoFrame()), 0);
        player->seekTo(60000);
        QVERIFY(waitSettled(*player));
        QCOMPARE(player->currentTime(), player->duration());
        QCOMPARE(frameCode(player->grabVideoFrame()), 299);
    }

    void seekBeforeTheItemIsReadyLandsOnceItIs() {
        auto player = open(clip30);
        player->seekTo(4321);
        QCOMPARE(player->currentTime(), 4.321);
        QVERIFY(waitSettled(*player));
        QCOMPARE(player->status(), ItemStatus::ReadyToPlay);
        QCOMPARE(player->currentTime(), 4.321);
        QCOMPARE(frameCode(player->grabVideoFrame()), int(frameAt(4321, 30, 1)));
    }

    void clockRunsSmoothlyBetweenFramesAndStopsWithThePause() {
        // One frame a second: the engine's own position moves in whole seconds.
        auto player = open(clip1);
        QVERIFY(waitSettled(*player));
        QElapsedTimer wall;
        player->setRate(1.0f);
        wall.start();
        const QList<double> samples = sampleClock(*player, 2500);
        const double elapsed = wall.elapsed() / 1000.0;
        QCOMPARE(player->rate(), 1.0f);
        QSet<long long> hundredths;
        int between = 0;
        for (int i = 0; i < samples.size(); ++i) {
            if (i > 0)
                QVERIFY2(samples[i] >= samples[i - 1], "the clock went back");
            hundredths.insert(std::llround(samples[i] * 100));
            const double fraction = samples[i] - std::floor(samples[i]);
            if (fraction > 0.2 && fraction < 0.8)
                ++between;
        }
        QVERIFY2(hundredths.size() > 40, qPrintable(QString::number(hundredths.size())));
        QVERIFY(between > 10);
        QVERIFY(samples.last() <= elapsed + 0.05);
        QVERIFY(samples.last() > 1.0);

        player->setRate(0.0f);
        QCOMPARE(player->rate(), 0.0f);
        const double stopped = player->currentTime();
        QVERIFY(stopped >= samples.last());
        QTest::qWait(300);
        QCOMPARE(player->currentTime(), stopped);
        // Playing on continues from there.
        player->setRate(1.0f);
        QTest::qWait(300);
        QVERIFY(player->currentTime() > stopped);
        player->pause();
        QCOMPARE(player->rate(), 0.0f);
    }

    void rateChangesWhilePlayingAndWhileStopped() {
        auto player = open(clip30);
        QVERIFY(waitSettled(*player));
        // From stopped, a rate plays at once.
        player->setRate(4.0f);
        QCOMPARE(player->rate(), 4.0f);
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(800);
        double media = player->currentTime();
        double seconds = wall.elapsed() / 1000.0;
        QVERIFY2(media > 2.0 * seconds,
                 qPrintable(QStringLiteral("%1 in %2").arg(media).arg(seconds)));
        // While playing, a slower rate takes over.
        player->setRate(0.25f);
        QCOMPARE(player->rate(), 0.25f);
        QTest::qWait(200);
        const double before = player->currentTime();
        wall.restart();
        QTest::qWait(800);
        media = player->currentTime() - before;
        seconds = wall.elapsed() / 1000.0;
        QVERIFY2(media < 0.6 * seconds,
                 qPrintable(QStringLiteral("%1 in %2").arg(media).arg(seconds)));
        QVERIFY(media > 0.0);
        // Rates beyond the engine's range play at its limit; 0 and below stop.
        player->setRate(1000.0f);
        QCOMPARE(player->rate(), 100.0f);
        player->setRate(-1.0f);
        QCOMPARE(player->rate(), 0.0f);
    }

    void playbackPausesAtTheEndAndRateReadsZero() {
        auto player = open(clipShort);
        QVERIFY(waitSettled(*player));
        player->setRate(2.0f);
        QTRY_COMPARE_WITH_TIMEOUT(player->rate(), 0.0f, 10000);
        const double end = player->currentTime();
        QVERIFY2(end > 0.9 && end <= player->duration() + 1e-9, qPrintable(QString::number(end)));
        QCOMPARE(frameCode(player->grabVideoFrame()), 29);
        // Playing at the end stops again at once.
        player->setRate(1.0f);
        QTRY_COMPARE_WITH_TIMEOUT(player->rate(), 0.0f, 5000);
        QVERIFY(player->currentTime() <= player->duration() + 1e-9);
        // After a seek back it plays again.
        player->seekTo(200);
        QVERIFY(waitSettled(*player));
        player->setRate(1.0f);
        QTest::qWait(300);
        QVERIFY(player->currentTime() > 0.2);
    }

    void framesStepForwardAndBackWhileStopped() {
        auto player = open(clip30);
        QVERIFY(waitSettled(*player));
        player->seekTo(1010);
        QVERIFY(waitSettled(*player));
        QCOMPARE(frameCode(player->grabVideoFrame()), 30);
        player->stepFrame(true);
        QTRY_COMPARE(frameCode(player->grabVideoFrame()), 31);
        QTRY_COMPARE(player->currentTime(), 31.0 / 30.0);
        QCOMPARE(player->rate(), 0.0f);
        player->stepFrame(false);
        player->stepFrame(false);
        QTRY_COMPARE(frameCode(player->grabVideoFrame()), 29);
        QTRY_COMPARE(player->currentTime(), 29.0 / 30.0);
        QCOMPARE(player->rate(), 0.0f);
    }
};

QTEST_GUILESS_MAIN(PlayerMpv)
#include "tst_player_mpv.moc"
