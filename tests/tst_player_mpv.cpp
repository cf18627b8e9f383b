// The libmpv player without a picture: status, the clock, exact seeks on
// frame-coded clips, rate, the end pause and the local-files-only rule.
#include "platform/mpv_player.h"
#include "support/clips.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <memory>

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

} // namespace

class PlayerMpv : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip30;

    std::unique_ptr<MpvPlayer> open(const QString& path) {
        auto player = std::make_unique<MpvPlayer>(MpvPlayer::VideoOutput::None);
        player->replaceCurrentItem(QUrl::fromLocalFile(path));
        return player;
    }

    QString make(const char* name, const ClipShape& shape) {
        const QString path = makeCodedClip(dir.path(), QString::fromLatin1(name), shape);
        if (path.isEmpty())
            qFatal("ffmpeg could not make %s", name);
        return path;
    }

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(dir.isValid());
        clip30 = make("c30.mp4", {});
        make("c2997.mp4", {QStringLiteral("30000/1001"), 10.0, 60, 1, true});
        make("short.mp4", {QStringLiteral("30"), 1.0});
        make("wide.mp4", {QStringLiteral("30"), 1.0, 60, 2});
        writeFile(dir.path(), QStringLiteral("notes.txt"), "12.35  14:03:09  a\nnot a video\n");
        QFile whole(clip30);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        writeFile(dir.path(), QStringLiteral("truncated.mp4"), whole.read(whole.size() / 2));
    }

    void statusOfPlayableAndUnplayableFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<ItemStatus>("status");
        QTest::newRow("playable") << "c30.mp4" << ItemStatus::ReadyToPlay;
        QTest::newRow("missing") << "missing.mp4" << ItemStatus::Failed;
        QTest::newRow("text") << "notes.txt" << ItemStatus::Failed;
        QTest::newRow("truncated") << "truncated.mp4" << ItemStatus::Failed;
    }
    void statusOfPlayableAndUnplayableFiles() {
        QFETCH(QString, name);
        QFETCH(ItemStatus, status);
        auto player = open(dir.filePath(name));
        QCOMPARE(player->status(), ItemStatus::Unknown);
        QVERIFY(player->hasCurrentItem());
        QSignalSpy changes(player.get(), &Player::statusChanged);
        QVERIFY(waitSettled(player.get()));
        QCOMPARE(player->status(), status);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->currentTime(), 0.0);
    }

    void nothingButLocalFilesIsOpened() {
        // A server on this machine sees whether anything tries to reach it.
        LocalListener server;
        QVERIFY(server.port > 0);
        const QString remote = QStringLiteral("http://127.0.0.1:%1/c30.mp4").arg(server.port);
        const QString list = writeFile(dir.path(), QStringLiteral("list.m3u"),
                                       ("#EXTM3U\n" + remote + '\n' + clip30 + '\n').toUtf8());
        const QString edl = writeFile(dir.path(), QStringLiteral("remote.edl"),
                                      ("# mpv EDL v0\n" + remote + '\n').toUtf8());
        for (const QUrl& url :
             {QUrl(remote), QUrl::fromLocalFile(list), QUrl::fromLocalFile(edl)}) {
            MpvPlayer player(MpvPlayer::VideoOutput::None);
            player.replaceCurrentItem(url);
            QVERIFY(waitSettled(&player));
            QCOMPARE(player.status(), ItemStatus::Failed);
            QTest::qWait(100);
            QVERIFY2(!server.connected(), qPrintable(url.toString()));
        }
    }

    void newItemWaitsPausedAtZeroWithItsDisplaySize() {
        auto player = open(dir.filePath(QStringLiteral("wide.mp4")));
        // Pixels twice as wide as high: shown at 640 x 240. The same player
        // then takes the next item while playing, again paused at 0.
        for (const QSizeF size : {QSizeF(640, 240), QSizeF(320, 240)}) {
            QVERIFY(waitSettled(player.get()));
            QCOMPARE(player->status(), ItemStatus::ReadyToPlay);
            QCOMPARE(player->presentationSize(), size);
            QTest::qWait(150);
            QCOMPARE(player->rate(), 0.0f);
            QCOMPARE(player->currentTime(), 0.0);
            QCOMPARE(frameCode(player->grabVideoFrame()), 0);
            player->setRate(1.0f);
            QTest::qWait(150);
            player->replaceCurrentItem(QUrl::fromLocalFile(clip30));
            QCOMPARE(player->status(), ItemStatus::Unknown);
            QCOMPARE(player->rate(), 0.0f);
            QCOMPARE(player->currentTime(), 0.0);
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
        auto player = open(dir.filePath(clip));
        player->seekTo(4321); // before the item is ready: lands once it is
        QCOMPARE(player->currentTime(), 4.321);
        QVERIFY(waitSettled(player.get()));
        QCOMPARE(player->currentTime(), 4.321);
        QCOMPARE(frameCode(player->grabVideoFrame()), int(frameAt(4321, num, den)));
        const long long last = frameAt(std::llround(player->duration() * 1000.0) - 1, num, den);
        // Frame starts, just before and after them, mid-frame, keyframes, the
        // ends and beyond, backwards and forwards, and a spread of random times.
        QList<long long> times{2000, 1999, 33,   34,   0,    1,    66,   67,   100,  7346,  5005,
                               5004, 5006, 8999, 9000, 3337, 3336, 1000, 1001, 9950, -1000, 60000};
        QRandomGenerator random(20260101);
        for (int i = 0; i < 20; ++i)
            times << random.bounded(0, 10000);
        for (long long ms : times) {
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

    void rateChangesWhilePlayingAndWhileStopped() {
        auto player = open(clip30);
        QVERIFY(waitSettled(player.get()));
        // From stopped, a rate plays at once; while playing, a slower rate
        // takes over.
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
    }

    void playbackPausesAtTheEndAndRateReadsZero() {
        auto player = open(dir.filePath(QStringLiteral("short.mp4")));
        QVERIFY(waitSettled(player.get()));
        player->setRate(2.0f);
        QTRY_COMPARE_WITH_TIMEOUT(player->rate(), 0.0f, 10000);
        const double end = player->currentTime();
        QVERIFY2(end > 0.9 && end <= player->duration() + 1e-9, qPrintable(QString::number(end)));
        QCOMPARE(frameCode(player->grabVideoFrame()), 29);
        // Playing at the end stops again at once; after a seek back it plays.
        player->setRate(1.0f);
        QTRY_COMPARE_WITH_TIMEOUT(player->rate(), 0.0f, 5000);
        QVERIFY(player->currentTime() <= player->duration() + 1e-9);
        player->seekTo(200);
        QVERIFY(waitSettled(player.get()));
        player->setRate(1.0f);
        QTest::qWait(300);
        QVERIFY(player->currentTime() > 0.2);
    }
};

QTEST_GUILESS_MAIN(PlayerMpv)
#include "tst_player_mpv.moc"
