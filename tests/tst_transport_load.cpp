// Loading and seeking: one player and one readiness observer, every load
// resetting the per-video session, the URL text form, the go-to grammar and
// field, and stopwatch mode on the real player.
#include "platform/mpv_player.h"
#include "platform/resources.h"
#include "session/state.h"
#include "support/clips.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "transport/goto_controller.h"
#include "transport/load_video.h"
#include "transport/player_view.h"
#include "transport/seek.h"
#include "transport/stopwatch.h"

#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>
#include <QtTest>

#include <clocale>
#include <optional>

namespace {
QUrl video(const char* name) {
    return QUrl::fromLocalFile(QStringLiteral("/videos/") + QLatin1String(name));
}
using Seeks = std::vector<std::int64_t>;

// A window with the player view and the go-to field, and the labels a load writes to.
struct Widgets {
    QMainWindow window;
    QWidget* central = new QWidget;
    AVPlayerViewAcceptsDrop* view = new AVPlayerViewAcceptsDrop;
    gotoController* field = new gotoController;
    QLabel status, echo, mark;
    Widgets() {
        auto* layout = new QVBoxLayout(central);
        layout->addWidget(view);
        layout->addWidget(field);
        window.setCentralWidget(central);
        window.resize(640, 400);
        resetSession();
        stateDef& s = savedState();
        s.window = &window;
        s.playerView = view;
        s.tbTextBlock = &status;
        s.codeDisplay = &echo;
        s.markDisplay = &mark;
        s.gotoField = field;
    }
    ~Widgets() { resetSession(); }
};
} // namespace

class TransportLoad : public QObject {
    Q_OBJECT

    std::optional<Widgets> w;

    FakePlayer* fake() const { return static_cast<FakePlayer*>(w->view->player()); }
    FakePlayer* givePlayer(float rate) {
        auto p = std::make_unique<FakePlayer>();
        p->setRateSilently(rate);
        w->view->setPlayer(std::move(p));
        return fake();
    }

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void init() {
        setPlayerFactory([] { return std::make_unique<FakePlayer>(); });
        w.emplace();
    }
    void cleanup() {
        w.reset();
        setPlayerFactory({});
    }

    void loadsKeepOnePlayerAndResetThePerVideoSession() {
        stateDef& s = savedState();
        s.hopSize = 200; // not the loader's to change, nor the rate or the name
        s.playAtRate = 2.0f;
        s.vidBasename = QStringLiteral("a");
        loadVideo(w->view, video("clip.mov"));
        Player* const first = w->view->player();
        QCOMPARE(fake()->items, std::vector<QUrl>{video("clip.mov")});
        QVERIFY(fake()->seeks.empty());
        videoObserver* observer = VO();
        QCOMPARE(observer->objectToObserve.data(), first);
        QSignalSpy fits(observer, &videoObserver::fittedWindow);
        // Later loads (the same file too) keep the player and the observer,
        // pause first, reset the per-video session and fit once per
        // readiness: a single registration.
        for (int load = 1; load <= 3; ++load) {
            if (load > 1) {
                fake()->setRateSilently(1.0f);
                s.loadTime = QDateTime::currentDateTime().addDays(-1);
                s.markTime = 5.5f;
                s.hopTotal = 3000;
                w->echo.setText(QStringLiteral("    1.00  12:00:00  a"));
                w->field->setText(QStringLiteral("12"));
                loadVideo(w->view, video("other.mp4"));
            }
            QVERIFY(s.loadTime > QDateTime::currentDateTime().addSecs(-5));
            QCOMPARE((std::tuple{s.markTime, s.hopTotal, s.resizesSinceLoad}),
                     (std::tuple{0.0f, std::int64_t(0), std::int64_t(0)}));
            QCOMPARE(QStringList({w->mark.text(), w->echo.text(), w->field->text()}),
                     QStringList({"0.00", "", ""}));
            QCOMPARE(w->view->player(), first);
            QCOMPARE(VO(), observer);
            QCOMPARE(fake()->pauseCalls, load - 1);
            QCOMPARE(fake()->items.size(), std::size_t(load));
            QCOMPARE(fits.count(), load - 1); // unknown: nothing yet
            fake()->setStatus(ItemStatus::ReadyToPlay);
            QCOMPARE(fits.count(), load);
            QCOMPARE(s.resizesSinceLoad, std::int64_t(1));
        }
        QCOMPARE((std::tuple{s.hopSize, s.playAtRate, s.vidBasename}),
                 (std::tuple{std::int64_t(200), 2.0f, QStringLiteral("a")}));
        // A failed item, or a notification not of this observation, fits nothing.
        loadVideo(w->view, video("notes.txt"));
        const QSize before = w->window.size();
        fake()->setStatus(ItemStatus::Failed);
        const int foreign = 0;
        VO()->observeValueForKeyPath(VO()->kp, fake(), ItemStatus::ReadyToPlay, &foreign);
        QCOMPARE(fits.count(), 3);
        QCOMPARE(w->window.size(), before);
        QCOMPARE(s.resizesSinceLoad, std::int64_t(0));
        s.loadTime = QDateTime(QDate(2016, 3, 3), QTime(14, 5, 9));
        showLoadTime();
        QCOMPARE(w->status.text(), QStringLiteral("2016.03.03-14.05.09"));
    }

    void urlTextIsReadAsUrlSyntax() {
        // An unencoded blank is no URL: nothing loads, nothing resets.
        savedState().hopTotal = 700;
        loadVideo(w->view, QStringLiteral("file:///videos/my clip.mp4"));
        loadVideo(w->view, QString());
        QVERIFY(!w->view->player());
        QCOMPARE(savedState().hopTotal, std::int64_t(700));
        loadVideo(w->view, QStringLiteral("file:///videos/my%20clip.mp4"));
        QCOMPARE(fake()->items.back(), video("my clip.mp4"));
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        // The placeholder's URL text is encoded the same way.
        loadVideo(w->view, placeholderUrlText(QStringLiteral("/opt/my apps/keystamp")));
        QCOMPARE(fake()->items.back().toLocalFile(),
                 QStringLiteral("/opt/my apps/keystamp/movie.mp4"));
        // Without any player the session still resets.
        setPlayerFactory({});
        w.emplace();
        savedState().hopTotal = 400;
        loadVideo(w->view, video("a.mp4"));
        QVERIFY(!w->view->player());
        QCOMPARE(savedState().hopTotal, std::int64_t(0));
        loadVideo(nullptr, video("a.mp4"));
    }

    void goToTextsPauseAndSeekOnceOrLeaveThePlayerAlone() {
        const std::pair<QString, qint64> accepted[] = {
            {"90", 90000},   {"12.3456", 12346},   {"0.0004", 0},  {"0.0005", 1},
            {"1e2", 100000}, {"1,234.5", 1234500}, {"1,5", 15000}, {".5", 500},
            {"0x10", 16000}, {"-1", -1000},        {"-0.0005", 0}, {"-1.0006", -1001}};
        QStringList rejected{"",  " 90", "90\n", "1:30", "12s",
                             "-", "inf", "nan",  "1e16", "\uff19\uff10"};
        rejected << QStringLiteral("9") + QChar(0) + '0';
        for (const auto& [text, ms] : accepted) {
            FakePlayer* player = givePlayer(2.0f);
            seekToTime(text);
            QCOMPARE(player->rateCalls, std::vector<float>{0.0f});
            QCOMPARE(player->seeks, Seeks{ms});
        }
        for (const QString& text : rejected) {
            FakePlayer* player = givePlayer(2.0f);
            seekToTime(text);
            QVERIFY2(player->rateCalls.empty() && player->seeks.empty(), qPrintable(text));
        }
        // The largest that fit still go through.
        QCOMPARE(seekMilliseconds(9.2e15), std::optional<std::int64_t>(9200000000000000000LL));
    }

    void theFieldPausesSeeksOnceAndGivesTheKeysBack() {
        w->window.show();
        w->window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w->window));
        const struct {
            QString text;
            int end; // a key, or 0 for a click on the player view
            bool withPlayer;
            Seeks seeks;
        } rows[] = {{"5", Qt::Key_Return, false, {}},
                    {"1,234.5", Qt::Key_Return, true, {1234500}},
                    {"42", Qt::Key_Tab, true, {42000}},
                    {"7", 0, true, {7000}},
                    {"1:30", Qt::Key_Enter, true, {}}};
        for (const auto& r : rows) {
            FakePlayer* player = r.withPlayer ? givePlayer(1.0f) : nullptr;
            w->field->clear();
            QTest::mouseClick(w->field, Qt::LeftButton);
            QVERIFY(w->field->hasFocus());
            QTest::keyClicks(w->field, r.text);
            QTest::keyClick(w->field, Qt::Key_Left);
            if (r.end)
                QTest::keyClick(w->field, Qt::Key(r.end));
            else
                w->view->setFocus(Qt::MouseFocusReason);
            QCOMPARE(w->field->text(), r.text);
            QCOMPARE(w->field->cursorPosition(), r.text.size());
            QVERIFY(!w->field->hasSelectedText());
            // Keys typed now reach the player view, not the field.
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->view));
            if (player) {
                QCOMPARE(player->rate(), 0.0f);
                QCOMPARE(player->seeks, r.seeks);
            }
        }
    }

    void stopwatchModeLoadsTheLongPlaceholderAndNamesTheSession() {
        savedState().markTime = 3.0f;
        installMpvPlayer();
        stopwatchMode();
        auto* mpv = qobject_cast<MpvPlayer*>(w->view->player());
        QVERIFY(mpv && waitSettled(mpv));
        QCOMPARE(w->window.windowTitle(), QStringLiteral("stopwatch"));
        QCOMPARE(savedState().vidBasename, QStringLiteral("stopwatch"));
        QCOMPARE(savedState().markTime, 0.0f);
        QVERIFY(!w->status.text().isEmpty()); // the load time
        QVERIFY(QFileInfo(resourcePath() + QStringLiteral("/movie.mp4")).size() <= 4000000);
        QCOMPARE(mpv->status(), ItemStatus::ReadyToPlay);
        QVERIFY(mpv->duration() >= 24 * 3600);
        QCOMPARE(mpv->presentationSize(), QSizeF(1280, 720));
        QCOMPARE(mpv->rate(), 0.0f);
    }
};

QTEST_MAIN(TransportLoad)
#include "tst_transport_load.moc"
