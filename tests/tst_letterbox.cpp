// Window fitting: its geometry against the worked examples (a 1440 x 877
// visible screen, an 800 x 600 window with a 22-point title bar), and the fit
// applied to a real window under X, with a window manager that adds
// decorations when one can be started.
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
const RectUp screen{0, 0, 1440, 877};
const RectUp frame{300, 200, 800, 600};
const RectUp content{300, 200, 800, 578};
const SizeUp player{800, 450};
constexpr double hd = 1920.0 / 1080.0;

bool windowManagerRunning() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    return xprop.waitForFinished(5000) && xprop.readAllStandardOutput().contains("window id");
}
} // namespace

class Letterbox : public QObject {
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
    // An 800 x 600 window on screen, fitted with a minimum of 400 x 300.
    void showWindow() {
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

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display");
        if (windowManagerRunning())
            return;
        windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (windowManager.waitForStarted(5000) && !QTest::qWaitFor(windowManagerRunning, 5000))
            qWarning("openbox did not start; the window has no decorations");
        // A window mapped while the manager takes over may never be shown:
        // wait until one is.
        for (int attempt = 0; attempt < 20; ++attempt) {
            QWidget probe;
            probe.show();
            if (QTest::qWaitForWindowExposed(&probe, 500))
                break;
        }
    }
    void cleanupTestCase() {
        if (windowManager.state() != QProcess::NotRunning) {
            windowManager.terminate();
            windowManager.waitForFinished(5000);
        }
    }
    void cleanup() { widgets.reset(); }

    void largeAndSmallFits() {
        const SizeChange c = largeFitChange(frame, screen, player, hd);
        const SizeUp set = contentSizeAfter(content, c);
        QCOMPARE(QList<double>({player.w + c.dW, player.h + c.dH, frame.h + c.dH, set.w, set.h}),
                 QList<double>({1152, 648, 798, 1152, 776}));
        // A 4:3 video is held by the height instead.
        const SizeChange c43 = largeFitChange(frame, screen, player, 4.0 / 3.0);
        QCOMPARE(frame.h + c43.dH, screen.h - 20);
        QCOMPARE(player.w + c43.dW, (player.h + c43.dH) * 4.0 / 3.0);
        QVERIFY(frame.w + c43.dW < 0.8 * screen.w);
        // The small fit floors the player area: a minimum frame of 300 x 350
        // would leave it 300 x 200. A portrait video grows the height, a very
        // wide one the width.
        const struct {
            SizeUp minFrame;
            double aspect, w, h;
        } rows[] = {{{300, 350}, hd, 490, 275.625},
                    {{300, 350}, 9.0 / 16.0, 490, 490 * 16.0 / 9.0},
                    {{300, 350}, 2.35, 257 * 2.35, 257},
                    {{300, 600}, 1.0, 490, 490}};
        for (const auto& r : rows) {
            const SizeChange small = smallFitChange(frame, r.minFrame, player, r.aspect);
            QCOMPARE(QPointF(player.w + small.dW, player.h + small.dH), QPointF(r.w, r.h));
        }
        const SizeUp fallback = fallbackContentSize(SizeUp{500, 400}, frame, content);
        QCOMPARE(QPointF(fallback.w, fallback.h), QPointF(500, 378));
    }

    void placementChoiceAndAspect() {
        // Above the top, out on the left, inside, wider than the screen, out
        // on the right, below the bottom, taller than the screen.
        const std::pair<RectUp, PointUp> placements[] = {
            {{100, 100, 1152, 798}, {100, 29}}, {{-30, 40, 600, 500}, {20, 40}},
            {{100, 40, 600, 500}, {100, 40}},   {{-10, 40, 1500, 500}, {-80, 40}},
            {{1000, 40, 600, 500}, {820, 40}},  {{100, -5, 600, 500}, {100, 20}},
            {{100, -5, 600, 900}, {100, -73}}};
        for (const auto& [frame, origin] : placements) {
            const PointUp placed = keepOnScreen(frame, screen);
            QCOMPARE(QPointF(placed.x, placed.y), QPointF(origin.x, origin.y));
        }
        // The resize command ("default"): small first after a load, then
        // alternating. Modes are exact and case-sensitive.
        const struct {
            const char* mode;
            bool scaledUp;
            int resizes;
            bool large;
        } choices[] = {{"up", false, 0, true},      {"down", true, 3, false},
                       {"same", false, 0, false},   {"same", true, 0, true},
                       {"flip", true, 0, false},    {"flip", false, 0, true},
                       {"default", true, 0, false}, {"default", false, 1, true},
                       {"default", true, 2, false}, {"Up", true, 3, false}};
        for (const auto& c : choices) {
            const FitChoice choice = chooseFit(QLatin1String(c.mode), c.scaledUp, c.resizes);
            QVERIFY2(choice.fit == (c.large ? Fit::Large : Fit::Small) &&
                         choice.scaledUpAfter == c.large,
                     c.mode);
        }
        // Without an item (the stopwatch's placeholder) or a size: 16:9.
        QCOMPARE(QList<double>({videoAspect(true, 1920, 1080), videoAspect(true, 1.0, 480),
                                videoAspect(true, 0, 0), videoAspect(false, 640, 480)}),
                 QList<double>({hd, 16.0 / 9, 16.0 / 9, 16.0 / 9}));
    }

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
        showWindow();
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
        const QRect visible = widgets->window->screen()->availableGeometry();
        const int width = large ? fitted.width() : widgets->playerView->width();
        const double expected = large ? 0.8 * visible.width() : 490;
        QVERIFY2(qAbs(width - expected) <= 1, qPrintable(QString::number(width)));
        QVERIFY(playerHasRatio(video.width() / video.height()));
        QVERIFY(visible.contains(fitted));
        if (offScreen)
            QCOMPARE(fitted.x(), visible.x() + 20);
        QCOMPARE(fitted.size() - widgets->window->size(), decorations);
    }

    // Without a ready video the window takes its minimum size; the interface
    // runs during the wait.
    void fallbackAfterTheWait() {
        showWindow();
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
};

QTEST_MAIN(Letterbox)
#include "tst_letterbox.moc"
