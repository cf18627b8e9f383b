// Loading: the first load makes the player and the one readiness observer,
// later loads only swap the item; every load resets the per-video session;
// readiness fits the window; the URL text form; stopwatch mode.
#include "platform/resources.h"
#include "session/state.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "transport/goto_controller.h"
#include "transport/load_video.h"
#include "transport/player_view.h"
#include "transport/stopwatch.h"

#include <QLabel>
#include <QMainWindow>
#include <QtTest>

namespace {
QUrl video(const char* name) {
    return QUrl::fromLocalFile(QStringLiteral("/videos/") + QLatin1String(name));
}
} // namespace

class TransportLoad : public QObject {
    Q_OBJECT

    std::unique_ptr<QMainWindow> window;
    AVPlayerViewAcceptsDrop* view = nullptr;
    std::unique_ptr<QLabel> status, echo, mark;
    std::unique_ptr<gotoController> field;
    std::vector<FakePlayer*> made;

    FakePlayer* player() const { return static_cast<FakePlayer*>(view->player()); }

private slots:
    void init() {
        resetSession();
        made.clear();
        setPlayerFactory([this] {
            auto p = std::make_unique<FakePlayer>();
            made.push_back(p.get());
            return p;
        });
        window = std::make_unique<QMainWindow>();
        view = new AVPlayerViewAcceptsDrop(window.get());
        window->setCentralWidget(view);
        status = std::make_unique<QLabel>();
        echo = std::make_unique<QLabel>();
        mark = std::make_unique<QLabel>();
        field = std::make_unique<gotoController>();
        stateDef& s = savedState();
        s.window = window.get();
        s.playerView = view;
        s.tbTextBlock = status.get();
        s.codeDisplay = echo.get();
        s.markDisplay = mark.get();
        s.gotoField = field.get();
    }
    void cleanup() {
        resetSession();
        window.reset();
        setPlayerFactory({});
    }

    void firstLoadMakesThePlayerAndOneObserver() {
        loadVideo(view, video("clip.mov"));
        QCOMPARE(made.size(), std::size_t(1));
        QCOMPARE(view->player(), static_cast<Player*>(made[0]));
        QCOMPARE(player()->items, std::vector<QUrl>{video("clip.mov")});
        QCOMPARE(player()->rate(), 0.0f);
        QVERIFY(player()->seeks.empty());
        videoObserver* observer = VO();
        QVERIFY(observer);
        QCOMPARE(observer->objectToObserve.data(), view->player());
        QCOMPARE(observer->kp, QStringLiteral("currentItem.status"));
        QSignalSpy fits(observer, &videoObserver::fittedWindow);
        player()->setStatus(ItemStatus::ReadyToPlay);
        QCOMPARE(fits.count(), 1);
        QCOMPARE(savedState().resizesSinceLoad, std::int64_t(1));

        // Later loads (the same file too) keep the player and the observer,
        // pause first, and fit once per readiness: a single registration.
        for (int load = 2; load <= 3; ++load) {
            player()->setRateSilently(1.0f);
            loadVideo(view, video("other.mp4"));
            QCOMPARE(made.size(), std::size_t(1));
            QCOMPARE(VO(), observer);
            QCOMPARE(player()->pauseCalls, load - 1);
            QCOMPARE(player()->items.size(), std::size_t(load));
            QCOMPARE(fits.count(), load - 1); // unknown: nothing yet
            player()->setStatus(ItemStatus::ReadyToPlay);
            QCOMPARE(fits.count(), load);
        }
    }

    void failedAndForeignNotificationsDoNotFit() {
        loadVideo(view, video("notes.txt"));
        QSignalSpy fits(VO(), &videoObserver::fittedWindow);
        const QSize before = window->size();
        player()->setStatus(ItemStatus::Failed);
        QCOMPARE(fits.count(), 0);
        QCOMPARE(window->size(), before);
        QCOMPARE(savedState().resizesSinceLoad, std::int64_t(0));
        const int foreign = 0;
        VO()->observeValueForKeyPath(VO()->kp, player(), ItemStatus::ReadyToPlay, &foreign);
        QCOMPARE(fits.count(), 0);
    }

    void everyLoadResetsThePerVideoSession() {
        loadVideo(view, video("a.mp4"));
        stateDef& s = savedState();
        s.loadTime = QDateTime::currentDateTime().addDays(-1);
        s.markTime = 5.5f;
        mark->setText(QStringLiteral("5.50"));
        s.hopTotal = 3000;
        s.hopSize = 200;
        echo->setText(QStringLiteral("    1.00  12:00:00  a"));
        field->setText(QStringLiteral("12"));
        s.resizesSinceLoad = 3;
        s.playAtRate = 2.0f;
        s.vidBasename = QStringLiteral("a");
        window->setWindowTitle(QStringLiteral("a"));

        const QDateTime before = QDateTime::currentDateTime();
        loadVideo(view, video("b.mp4"));
        QVERIFY(s.loadTime >= before.addMSecs(-1));
        QCOMPARE(s.markTime, 0.0f);
        QCOMPARE(mark->text(), QStringLiteral("0.00"));
        QCOMPARE(s.hopTotal, std::int64_t(0));
        QVERIFY(echo->text().isEmpty());
        QVERIFY(field->text().isEmpty());
        QCOMPARE(s.resizesSinceLoad, std::int64_t(0));
        // Not the loader's to change:
        QCOMPARE(s.hopSize, std::int64_t(200));
        QCOMPARE(s.playAtRate, 2.0f);
        QCOMPARE(s.vidBasename, QStringLiteral("a"));
        QCOMPARE(window->windowTitle(), QStringLiteral("a"));
    }

    void urlTextIsReadAsUrlSyntax() {
        // An unencoded blank is no URL: nothing loads, nothing resets.
        savedState().hopTotal = 700;
        loadVideo(view, QStringLiteral("file:///videos/my clip.mp4"));
        loadVideo(view, QString());
        QVERIFY(!view->player());
        QCOMPARE(savedState().hopTotal, std::int64_t(700));

        loadVideo(view, QStringLiteral("file:///videos/my%20clip.mp4"));
        QCOMPARE(player()->items.back(), video("my clip.mp4"));
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        // The placeholder's URL text is encoded the same way.
        loadVideo(view, placeholderUrlText(QStringLiteral("/opt/my apps/keystamp")));
        QCOMPARE(player()->items.back().toLocalFile(),
                 QStringLiteral("/opt/my apps/keystamp/movie.mp4"));
    }

    void loadTimeShowsInTheStatusLine() {
        savedState().loadTime = QDateTime(QDate(2016, 3, 3), QTime(14, 5, 9));
        showLoadTime();
        QCOMPARE(status->text(), QStringLiteral("2016.03.03-14.05.09"));
    }

    void stopwatchModeLoadsThePlaceholderAndNamesTheSession() {
        savedState().markTime = 3.0f;
        stopwatchMode();
        QCOMPARE(player()->items.back(), QUrl::fromLocalFile(resourcePath() + "/movie.mp4"));
        QCOMPARE(player()->rate(), 0.0f);
        QCOMPARE(window->windowTitle(), QStringLiteral("stopwatch"));
        QCOMPARE(savedState().vidBasename, QStringLiteral("stopwatch"));
        QCOMPARE(savedState().markTime, 0.0f);
        QVERIFY(!status->text().isEmpty()); // the load time
    }

    void withoutAnyPlayerTheSessionStillResets() {
        setPlayerFactory({});
        savedState().hopTotal = 400;
        loadVideo(view, video("a.mp4"));
        QVERIFY(!view->player());
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        loadVideo(nullptr, video("a.mp4"));
    }
};

QTEST_MAIN(TransportLoad)
#include "tst_transport_load.moc"
