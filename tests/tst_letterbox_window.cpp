// Window fitting applied to a real window under X, with a window manager
// that adds decorations when one can be started.
#include "session/state.h"
#include "support/fake_player.h"
#include "support/storage_fixture.h"
#include "transport/player_view.h"
#include "window/letterbox.h"
#include "window/letterbox_geometry.h"

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <optional>

namespace {

bool windowManagerRunning() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    return xprop.waitForFinished(5000) && xprop.readAllStandardOutput().contains("window id");
}

QRect visibleArea(const QWidget* w) {
    return w->screen()->availableGeometry();
}

} // namespace

class LetterboxWindow : public QObject {
    Q_OBJECT
    QProcess windowManager;
    std::optional<SessionWidgets> widgets;

    // Waits until the window manager has applied what the window asked for.
    void settle() {
        QRect before;
        for (int i = 0; i < 40 && widgets->window->frameGeometry() != before; ++i) {
            before = widgets->window->frameGeometry();
            QTest::qWait(50);
        }
    }

    // Whether the player area has the ratio, to the pixel.
    bool playerHasRatio(double aspect) const {
        const QSize player = widgets->playerView->size();
        return qAbs(player.width() - player.height() * aspect) <= 1.0 ||
               qAbs(player.height() - player.width() / aspect) <= 1.0;
    }

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display");
        if (!windowManagerRunning()) {
            windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            if (windowManager.waitForStarted(5000) && !QTest::qWaitFor(windowManagerRunning, 5000))
                qWarning("openbox did not start; the window has no decorations");
            // A window mapped while the manager takes over may never be
            // shown: wait until one is.
            for (int attempt = 0; attempt < 20; ++attempt) {
                QWidget probe;
                probe.show();
                if (QTest::qWaitForWindowExposed(&probe, 500))
                    break;
            }
        }
    }
    void cleanupTestCase() {
        if (windowManager.state() != QProcess::NotRunning) {
            windowManager.terminate();
            windowManager.waitForFinished(5000);
        }
    }
    void init() {
        previous().scaledUp = false;
        widgets.emplace();
        widgets->script->setFixedHeight(60);
        widgets->status->setFixedHeight(20);
        widgets->window->setMinimumSize(400, 300);
        widgets->window->resize(800, 600);
        widgets->window->move(100, 100);
        widgets->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(widgets->window));
        settle();
    }
    void cleanup() { widgets.reset(); }

    // The large fit takes four fifths of the visible width; the small one
    // widens a 4:3 player the minimum would leave too narrow. Either keeps
    // the picture's ratio and the decorations, and brings the window on screen.
    void fitOfAReadyVideo_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QSizeF>("video");
        QTest::newRow("large, wide video") << QStringLiteral("up") << QSizeF(1920, 1080);
        QTest::newRow("small, 4:3 video") << QStringLiteral("down") << QSizeF(640, 480);
    }
    void fitOfAReadyVideo() {
        QFETCH(QString, mode);
        QFETCH(QSizeF, video);
        widgets->loadItem();
        widgets->player->size = video;
        widgets->window->move(-200, 100); // partly off screen, unless the manager forbids
        settle();
        const bool offScreen = widgets->window->frameGeometry().x() < 0;
        const QSize decorations = widgets->window->frameGeometry().size() - widgets->window->size();
        fixLetterbox(mode);
        settle();
        const bool large = mode == QLatin1String("up");
        QCOMPARE(previous().scaledUp, large);
        QCOMPARE(savedState().resizesSinceLoad, 1);
        const QRect fitted = widgets->window->frameGeometry();
        const int width = large ? fitted.width() : widgets->playerView->width();
        const double expected = large ? 0.8 * visibleArea(widgets->window).width() : 490;
        QVERIFY2(qAbs(width - expected) <= 1, qPrintable(QString::number(width)));
        QVERIFY(playerHasRatio(video.width() / video.height()));
        QVERIFY(visibleArea(widgets->window).contains(fitted));
        if (offScreen)
            QCOMPARE(fitted.x(), visibleArea(widgets->window).x() + 20);
        QCOMPARE(fitted.size() - widgets->window->size(), decorations);
    }

    // Without a ready video the window takes its minimum size; the interface
    // runs during the wait.
    void fallbackAfterTheWait() {
        previous().scaledUp = true;
        bool interfaceRan = false;
        QTimer::singleShot(20, [&] { interfaceRan = true; });
        fixLetterbox(QStringLiteral("same"));
        settle();
        QVERIFY(interfaceRan);
        QVERIFY(!previous().scaledUp);
        QCOMPARE(widgets->window->size(), QSize(400, 300));
        QCOMPARE(savedState().resizesSinceLoad, 1);
    }

    // A video that becomes ready during the wait is fitted; a fitting asked
    // for meanwhile runs after the waiting one.
    void readinessDuringTheWait() {
        widgets->player->size = QSizeF(1920, 1080);
        QTimer::singleShot(20, [&] {
            widgets->loadItem();
            fixLetterbox(QStringLiteral("up"));
        });
        fixLetterbox(QStringLiteral("down"));
        QVERIFY(previous().scaledUp); // "up" ran last
        QCOMPARE(savedState().resizesSinceLoad, 2);
        settle();
        QVERIFY(playerHasRatio(1920.0 / 1080.0));
    }
};

QTEST_MAIN(LetterboxWindow)
#include "tst_letterbox_window.moc"
