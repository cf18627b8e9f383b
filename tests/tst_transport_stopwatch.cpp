// Stopwatch mode on the real player: the shipped placeholder, its clock
// against the wall clock, and an unplayable file that only resets the session.
#include "platform/mpv_player.h"
#include "platform/resources.h"
#include "session/state.h"
#include "support/clips.h"
#include "support/test_helpers.h"
#include "transport/load_video.h"
#include "transport/player_view.h"
#include "transport/seek.h"
#include "transport/stopwatch.h"

#include <QLabel>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <cmath>

class TransportStopwatch : public QObject {
    Q_OBJECT

    std::unique_ptr<QMainWindow> window;
    AVPlayerViewAcceptsDrop* view = nullptr;
    std::unique_ptr<QLabel> status;

    MpvPlayer* player() const { return qobject_cast<MpvPlayer*>(view->player()); }

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        installMpvPlayer();
    }
    void init() {
        resetSession();
        window = std::make_unique<QMainWindow>();
        view = new AVPlayerViewAcceptsDrop(window.get());
        window->setCentralWidget(view);
        window->resize(640, 400);
        status = std::make_unique<QLabel>();
        savedState().window = window.get();
        savedState().playerView = view;
        savedState().tbTextBlock = status.get();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        stopwatchMode();
        QVERIFY(waitSettled(player()));
    }
    void cleanup() {
        resetSession();
        window.reset();
    }

    void placeholderIsLongSmallAndSaysNoVideoIsLoaded() {
        const QFileInfo movie(resourcePath() + QStringLiteral("/movie.mp4"));
        QVERIFY2(movie.size() <= 4000000, qPrintable(QString::number(movie.size())));
        QCOMPARE(player()->status(), ItemStatus::ReadyToPlay);
        QVERIFY2(player()->duration() >= 24 * 3600,
                 qPrintable(QString::number(player()->duration())));
        QCOMPARE(player()->presentationSize(), QSizeF(1280, 720));
        QCOMPARE(player()->rate(), 0.0f);
        QCOMPARE(player()->currentTime(), 0.0);

        // A calm dark picture with light text on it.
        const QImage frame = player()->grabVideoFrame();
        QCOMPARE(frame.size(), QSize(1280, 720));
        QVERIFY(qGray(frame.pixel(20, 20)) < 64);
        int light = 0;
        for (int y = 0; y < frame.height(); y += 4)
            for (int x = 0; x < frame.width(); x += 4)
                light += qGray(frame.pixel(x, y)) > 160;
        QVERIFY2(light > 200, qPrintable(QString::number(light)));
    }

    void clockKeepsToTheWallClockInHundredths() {
        QElapsedTimer wall;
        player()->setRate(1.0f);
        wall.start();
        QSet<long long> hundredths;
        double last = 0.0;
        // Past the first frame change of the placeholder (one frame in 4 s).
        while (wall.elapsed() < 5000) {
            const double t = player()->currentTime();
            QVERIFY2(t >= last, "the stopwatch went back");
            last = t;
            hundredths.insert(std::llround(t * 100));
            QTest::qWait(10);
        }
        const double media = player()->currentTime();
        const double seconds = wall.elapsed() / 1000.0;
        QVERIFY2(std::abs(media - seconds) < 0.25,
                 qPrintable(QStringLiteral("%1 against %2").arg(media).arg(seconds)));
        QVERIFY2(hundredths.size() > 150, qPrintable(QString::number(hundredths.size())));
        // The pause holds it; playing on continues from there.
        player()->setRate(0.0f);
        const double stopped = player()->currentTime();
        QVERIFY(stopped >= last);
        QTest::qWait(300);
        QCOMPARE(player()->currentTime(), stopped);

        // A go-to late in the day reads exactly, and runs on from there.
        seekToTime(QStringLiteral("86,399.5"));
        QCOMPARE(player()->rate(), 0.0f);
        QCOMPARE(player()->currentTime(), 86399.5);
        QVERIFY(waitSettled(player()));
        QCOMPARE(player()->currentTime(), 86399.5);
        player()->setRate(1.0f);
        QTest::qWait(300);
        QVERIFY(player()->currentTime() > 86399.6 && player()->currentTime() < 86401.0);
    }

    void anUnplayableFileOnlyResetsTheSession() {
        QTemporaryDir dir;
        const QString text = writeFile(dir.path(), QStringLiteral("notes.txt"), "not a video\n");
        QSignalSpy fits(VO(), &videoObserver::fittedWindow);
        savedState().hopTotal = 2000;
        const QSize size = window->size();
        loadVideo(view, QUrl::fromLocalFile(text));
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        QVERIFY(waitSettled(player()));
        QCOMPARE(player()->status(), ItemStatus::Failed);
        QTest::qWait(100);
        QCOMPARE(fits.count(), 0);
        QCOMPARE(window->size(), size);

        // The next load works as ever, with the same player and observer.
        MpvPlayer* same = player();
        stopwatchMode();
        QVERIFY(waitSettled(player()));
        QCOMPARE(player(), same);
        QCOMPARE(player()->status(), ItemStatus::ReadyToPlay);
        QTRY_COMPARE(fits.count(), 1);
    }
};

QTEST_MAIN(TransportStopwatch)
#include "tst_transport_stopwatch.moc"
