// Start-up through the real interface file: open requests made before launch
// finished (only the last one is opened), what launch hands to the session
// record and sets on screen, and open requests after launch.
#include "app/app_delegate.h"
#include "app/april_fools.h"
#include "app/main_window.h"
#include "app/segmented_control.h"
#include "platform/date_format.h"
#include "platform/resources.h"
#include "session/state.h"
#include "support/app_home.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "transport/goto_controller.h"
#include "transport/player_view.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QtTest>

#include <optional>

class AppStartup : public QObject {
    Q_OBJECT

    std::optional<AppHome> home;
    std::optional<AlertRecorder> alerts;
    std::unique_ptr<AppDelegate> app;
    QTemporaryDir videos;
    QDateTime launchStart, launchEnd;

    FakePlayer* fake() const {
        return app->player ? qobject_cast<FakePlayer*>(app->player->player()) : nullptr;
    }

private slots:
    void initTestCase() {
        home.emplace();
        alerts.emplace();
        QApplication::setApplicationName(QStringLiteral("keystamp"));
        QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
        setPlayerFactory([] { return std::make_unique<FakePlayer>(); });
        resetSession();
        app = std::make_unique<AppDelegate>();
    }
    void cleanupTestCase() {
        app.reset();
        resetSession();
        setPlayerFactory({});
    }

    void requestsBeforeLaunchAreOnlyRemembered() {
        QCOMPARE(app->deferredLoadVideo, QString());
        QVERIFY(app->applicationOpenFile(videos.filePath(QStringLiteral("first.mov"))));
        QVERIFY(app->applicationOpenFile(videos.filePath(QStringLiteral("a.b.mp4"))));
        QCOMPARE(app->deferredLoadVideo, videos.filePath(QStringLiteral("a.b.mp4")));
        QVERIFY(!app->player->player());
        QVERIFY(!savedState().didFinishLaunching);
        QVERIFY(!app->window->isVisible());
    }

    void launchOpensTheLastRequest() {
        launchStart = QDateTime::currentDateTime();
        app->applicationDidFinishLaunching();
        launchEnd = QDateTime::currentDateTime();
        // Until the counter's first refresh.
        QCOMPARE(app->tapeCounterDisplay->text(), QStringLiteral("99.99"));
        QVERIFY(fake());
        QCOMPARE(fake()->items, std::vector<QUrl>{QUrl::fromLocalFile(
                                    videos.filePath(QStringLiteral("a.b.mp4")))});
        QCOMPARE(app->window->windowTitle(), QStringLiteral("a.b"));
        QCOMPARE(savedState().vidBasename, QStringLiteral("a.b"));
        QVERIFY(savedState().loadTime >= launchStart && savedState().loadTime <= launchEnd);
        QCOMPARE(app->tbTextBlock->text(),
                 formatDate(savedState().loadTime, QStringLiteral("yyyy.MM.dd-HH.mm.ss")));
        QVERIFY(savedState().didFinishLaunching);
    }

    void launchSetsUpTheWindow() {
        // The session reaches the widgets that no other test drives.
        const stateDef& s = savedState();
        QCOMPARE(s.codeDisplay.data(), app->codeDisplay.data());
        QCOMPARE(s.tapeCounterDisplay, app->tapeCounterDisplay.data());
        QCOMPARE(s.excursionDisplay, app->excursionDisplay.data());
        QCOMPARE(s.gotoField, app->gotoField.data());
        QCOMPARE(app->rateControl->labelForSegment(app->rateControl->selectedSegment()),
                 QStringLiteral("1×"));
        QCOMPARE(app->viewSelector->selectedSegment(), 0);
        QCOMPARE(app->tabView->currentIndex(), 0);

        // Counters and lines in a fixed-width font: every character as wide as the next.
        auto fixedWidth = [](const QFont& font) {
            const QFontMetrics m(font);
            return m.horizontalAdvance(QStringLiteral("1")) ==
                       m.horizontalAdvance(QStringLiteral("W")) &&
                   m.horizontalAdvance(QStringLiteral(".")) ==
                       m.horizontalAdvance(QStringLiteral("0"));
        };
        QVERIFY(fixedWidth(app->scrollViewContainingTranscript->font()));
        QCOMPARE(app->scrollViewContainingTranscript->font().pointSizeF(), 14.0);
        for (QLabel* l : {app->tapeCounterDisplay.data(), app->markDisplay.data(),
                          app->excursionDisplay.data(), app->codeDisplay.data()})
            QVERIFY2(fixedWidth(l->font()), qPrintable(l->objectName()));
        QCOMPARE(app->homeButton->text(), QStringLiteral("●"));
        QCOMPARE(app->zeroButton->text(), QStringLiteral("❙◀"));
        QCOMPARE(app->helpView->source(),
                 QUrl::fromLocalFile(resourcePath() + QStringLiteral("/help/index.html")));
        QVERIFY(app->helpView->toPlainText().contains(QStringLiteral("--unsaved")));
        QVERIFY(app->keysView->toPlainText().contains(QStringLiteral("kp_enter")));

        QWidget* surround = app->controlsBox->parentWidget();
        QVERIFY(surround->autoFillBackground());
        QCOMPARE(surround->palette().color(QPalette::Window),
                 QColor::fromRgbF(0.2f, 0.2f, 0.2f, 0.8f));
        const QBrush fill = app->controlsBox->palette().brush(QPalette::Window);
        if (aprilFools()) {
            QVERIFY(!fill.texture().isNull());
        } else {
            QCOMPARE(fill.style(), Qt::SolidPattern);
            QCOMPARE(fill.color(), QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.8f));
        }
        // The texture for 1 April mornings ships with the program.
        QVERIFY(!QPixmap(resourcePath() + QStringLiteral("/brushed-metal.jpg")).isNull());
    }

    void windowIsShownNearTheLowerLeftWithThePlayerFocused() {
        QVERIFY(QTest::qWaitForWindowActive(app->window));
        QVERIFY(app->player->hasFocus());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect frame = app->window->frameGeometry();
        QVERIFY2(frame.left() - screen.left() >= 50 && frame.left() - screen.left() <= 329,
                 qPrintable(QString::number(frame.left())));
        const int fromBottom = screen.bottom() + 1 - (frame.bottom() + 1);
        QVERIFY2(fromBottom >= 40 && fromBottom <= 69, qPrintable(QString::number(fromBottom)));
    }

    void requestAfterLaunchSavesAndOpensAtOnce() {
        QTest::keyClicks(app->player, QStringLiteral("abc"));
        const QString next = videos.filePath(QStringLiteral("lecture3.mov"));
        QVERIFY(app->applicationOpenFile(next));
        QCOMPARE(fake()->items.back(), QUrl::fromLocalFile(next));
        QCOMPARE(app->window->windowTitle(), QStringLiteral("lecture3"));
        QVERIFY(app->scrollViewContainingTranscript->toPlainText().isEmpty());
        // The old session's file carries the old name: "a.b" gives "a".
        const QStringList files = home->transcriptFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY2(files[0].endsWith(QStringLiteral("--a.txt")), qPrintable(files[0]));
        const QStringList lines = home->lines(files[0]);
        QCOMPARE(lines.size(), 3 + 3);
        QCOMPARE(lines[2], QStringLiteral("# video_name a.b"));
        QVERIFY(alerts->alerts.empty());
    }
};

QTEST_MAIN(AppStartup)
#include "tst_app_startup.moc"
