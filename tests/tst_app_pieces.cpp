// Pure pieces: names and paths of videos, 1 April, the key reference, window
// placement, and fitting (a 1440 x 877 screen, an 800 x 600 window, a 22-point title bar).
#include "app/april_fools.h"
#include "app/instances.h"
#include "app/key_reference.h"
#include "session/key_event.h"
#include "session/key_names.h"
#include "transport/open_file.h"
#include "window/letterbox_geometry.h"

#include <QDir>
#include <QFile>
#include <QPointF>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const RectUp screen{0, 0, 1440, 877};
const RectUp frame{300, 200, 800, 600};
const RectUp content{300, 200, 800, 578};
const SizeUp player{800, 450};
constexpr double hd = 1920.0 / 1080.0;
} // namespace

class AppPieces : public QObject {
    Q_OBJECT

private slots:
    void videoBaseNameDropsOnlyTheLastExtension() {
        const std::pair<QString, QString> rows[] = {{"/videos/a.b.mp4", "a.b"},
                                                    {"/videos/session", "session"},
                                                    {"/videos/.clip", ".clip"},
                                                    {"trial.01", "trial"},
                                                    {"/v/Süße Probe 2.mkv", "Süße Probe 2"}};
        for (const auto& [path, base] : rows)
            QCOMPARE(videoBaseName(path), base);
    }

    void commandLineArgumentsBecomeLocalPaths() {
        QTemporaryDir dir;
        const QString odd = dir.filePath(QStringLiteral("take:2.mp4"));
        QVERIFY(QFile(odd).open(QIODevice::WriteOnly));
        const std::pair<QString, std::optional<QString>> rows[] = {
            {odd, odd},
            {"clip.mp4", QDir::current().absoluteFilePath("clip.mp4")},
            {"file:///videos/a%20b.mp4", "/videos/a b.mp4"},
            {"https://example.com/v.mp4", std::nullopt},
            {"", std::nullopt}};
        for (const auto& [argument, path] : rows)
            QCOMPARE(localVideoPath(argument), path);
    }

    void aprilFoolsIsTheMorningOfTheFirstOfApril() {
        const int year = QDate::currentDate().year();
        auto at = [year](int month, int day, int h, int m) {
            return aprilFoolsAt(QDateTime(QDate(year, month, day), QTime(h, m)));
        };
        QVERIFY(at(4, 1, 0, 0) && at(4, 1, 11, 59));
        QVERIFY(!at(4, 1, 12, 0) && !at(3, 31, 11, 0) && !at(4, 2, 0, 0));
        QVERIFY(!at(1, 4, 10, 0)); // "10410": another day with the same digits
    }

    void placementCoordinates() {
        // The frame's lower-left corner 40 points above the bottom of a
        // 900-high screen: its top is 900 - 40 - 600 from the screen's top.
        QCOMPARE(frameTopLeftForOrigin(QRect(0, 0, 1440, 900), QSize(800, 600), QPoint(50, 40)),
                 QPoint(50, 260));
        QCOMPARE(
            frameTopLeftForOrigin(QRect(1440, 100, 1280, 800), QSize(700, 500), QPoint(329, 69)),
            QPoint(1440 + 329, 100 + 800 - 69 - 500));
    }

    void keyReferenceNamesEveryKey() {
        const QString html = keyReferenceHtml();
        QStringList names = mapKeyCodeToName().values();
        for (int code : {kKeySpace, kKeyLeftArrow, kKeyRightArrow})
            names.removeOne(mapKeyCodeToName().value(code));
        // The typing keys are named by the recorder's own rules.
        for (const QString& name : names + QStringList{"shift-A", "shift-code20", "play_x_1.00"})
            QVERIFY2(html.contains("<code>" + name + "</code>"), qPrintable(name));
    }

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
        // The small fit floors the player area (a 300 x 350 frame would leave it
        // 300 x 200); a portrait video grows the height, a very wide one the width.
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
        const std::tuple<const char*, bool, int, bool> choices[] = {
            // scaled up, resizes: large
            {"up", false, 0, true},      {"down", true, 3, false},    {"same", false, 0, false},
            {"same", true, 0, true},     {"flip", true, 0, false},    {"flip", false, 0, true},
            {"default", true, 0, false}, {"default", false, 1, true}, {"default", true, 2, false},
            {"Up", true, 3, false}};
        for (const auto& [mode, scaledUp, resizes, large] : choices) {
            const FitChoice choice = chooseFit(QLatin1String(mode), scaledUp, resizes);
            QVERIFY2(choice.fit == (large ? Fit::Large : Fit::Small) &&
                         choice.scaledUpAfter == large,
                     mode);
        }
        // Without an item (the stopwatch's placeholder) or a size: 16:9.
        QCOMPARE(QList<double>({videoAspect(true, 1920, 1080), videoAspect(true, 1.0, 480),
                                videoAspect(true, 0, 0), videoAspect(false, 640, 480)}),
                 QList<double>({hd, 16.0 / 9, 16.0 / 9, 16.0 / 9}));
    }
};

QTEST_GUILESS_MAIN(AppPieces)
#include "tst_app_pieces.moc"
