// The application's pure pieces: names and paths of opened videos, the
// 1 April test, window placement arithmetic and the key-name reference.
#include "app/april_fools.h"
#include "app/instances.h"
#include "app/key_reference.h"
#include "session/key_event.h"
#include "session/key_names.h"
#include "transport/open_file.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

class AppPieces : public QObject {
    Q_OBJECT

private slots:
    void videoBaseNameDropsOnlyTheLastExtension() {
        const std::pair<QString, QString> rows[] = {
            {"/videos/a.b.mp4", "a.b"},
            {"/videos/session", "session"},
            {"/videos/.clip", ".clip"},
            {"trial.01", "trial"},
            {"/v/Süße Probe 2.mkv", "Süße Probe 2"},
        };
        for (const auto& [path, base] : rows)
            QCOMPARE(videoBaseName(path), base);
    }

    void dropTakesTheFirstLocalFileOnly() {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("clip.b.mp4"));
        const QUrl remote(QStringLiteral("https://example.com/remote.mp4"));
        const QUrl folder = QUrl::fromLocalFile(dir.path());
        const std::pair<QList<QUrl>, std::optional<QString>> rows[] = {
            {{remote, folder, QUrl::fromLocalFile(first),
              QUrl::fromLocalFile(dir.filePath("o.mp4"))},
             first},
            {{remote, QUrl(QStringLiteral("sftp://host/video.mp4"))}, std::nullopt},
            {{folder}, std::nullopt},
            {{}, std::nullopt},
        };
        for (const auto& [urls, file] : rows) {
            QMimeData data;
            data.setUrls(urls);
            QCOMPARE(droppedVideoFile(&data), file);
        }
        QMimeData text;
        text.setText(first);
        QCOMPARE(droppedVideoFile(&text), std::nullopt);
        QCOMPARE(droppedVideoFile(nullptr), std::nullopt);
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
            {"", std::nullopt},
        };
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

    void placementBoxAndCoordinates() {
        QCOMPARE(notQuiteCenterOrigin(0, 0), QPoint(50, 40));
        QCOMPARE(notQuiteCenterOrigin(279, 29), QPoint(329, 69));
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
};

QTEST_GUILESS_MAIN(AppPieces)
#include "tst_app_pieces.moc"
