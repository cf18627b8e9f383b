// The storage folder, transcript files and checkpoints, written for real into
// a temporary home.
#include "platform/date_format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/checkpoint.h"
#include "storage/transcript_file.h"
#include "support/fake_player.h"
#include "support/storage_fixture.h"
#include "support/test_helpers.h"
#include "transport/player_view.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>

#include <optional>

namespace {

const QString kFolderAlert = QStringLiteral("Data storage folder creation");
const QString kDataSave = QStringLiteral("Data Save");
// The checkpoint's text has a blank before "by".
const QString kSaveText = QStringLiteral(
    "There was a problem while writing a file.\nShort term, consider saving your work\nby "
    "printing or by copy & paste.\n\nAfter that, test that files can be created\nin the "
    "Documents folder.");
const QString kCheckpointText = QString(kSaveText).replace("\nby ", "\n by ");

// 18:14:46 on 5 December 2026, in the zone of the environment.
const QDateTime kLoaded(QDate(2026, 12, 5), QTime(18, 14, 46));

// Child mode: saves "abc" for lecture3 loaded at 18:14:46 UTC on 5 Dec 2026
// in the locale and zone of the environment.
int saveInChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    SessionWidgets widgets;
    widgets.loadItem();
    savedState().loadTime = QDateTime(QDate(2026, 12, 5), QTime(18, 14, 46), Qt::UTC);
    recordNote(QStringLiteral("abc"));
    return saveAndClearScript() ? 0 : 1;
}

} // namespace

class StorageFiles : public QObject {
    Q_OBJECT
    std::optional<TemporaryHome> home;
    std::optional<SessionWidgets> widgets;

private slots:
    void init() {
        home.emplace();
        widgets.emplace();
        widgets->loadItem();
        savedState().loadTime = kLoaded;
    }
    void cleanup() {
        widgets.reset();
        home.reset();
        forgetCheckpoints();
        QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    }

    // Without an item the header says "no-video"; the file keeps the base name.
    void saveWritesHeaderAndTranscript() {
        widgets->playerView->setPlayer(std::make_unique<FakePlayer>());
        savedState().vidBasename = QStringLiteral("stopwatch");
        recordNote(QStringLiteral("   12.35  18:15:02  a"));
        recordNote(QStringLiteral("   13.00  18:15:03  shift-\u00A0"));
        AlertRecorder recorder;
        QVERIFY(saveAndClearScript());
        QCOMPARE(
            contentsOf(home->sessionFile("stopwatch.txt")),
            ("#\n# started_at " + formatDate(kLoaded, kHeaderDatePattern) +
             "\n# video_name no-video\n   12.35  18:15:02  a\n   13.00  18:15:03  shift-\u00A0\n")
                .toUtf8());
        QCOMPARE(widgets->script->toPlainText(), QString());
        QVERIFY(recorder.alerts.empty());
    }

    // More than two user-perceived characters are written; fewer only clear.
    void twoCharacterRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("written");
        QTest::newRow("two with combining marks") << QStringLiteral("e\u0301o\u0308") << false;
        QTest::newRow("three with combining marks") << QStringLiteral("e\u0301o\u0308a") << true;
        QTest::newRow("two emoji with modifiers")
            << QStringLiteral("\U0001F44D\U0001F3FD\U0001F44D\U0001F3FF") << false;
        QTest::newRow("three astral") << QStringLiteral("\U0001F600\U0001D11Ex") << true;
    }
    void twoCharacterRule() {
        QFETCH(QString, text);
        QFETCH(bool, written);
        widgets->script->setPlainText(text);
        AlertRecorder recorder;
        QVERIFY(saveAndClearScript());
        QCOMPARE(entriesOf(home->storage()).size(), written ? 1 : 0);
        if (written)
            QVERIFY(contentsOf(home->sessionFile("lecture3.txt"))
                        .endsWith("# video_name lecture3\n" + text.toUtf8()));
        QCOMPARE(widgets->script->toPlainText(), QString());
        QVERIFY(recorder.alerts.empty());
    }

    // Each failure gives its alerts in order, keeps the transcript on screen
    // and leaves no file behind.
    void failedWrites_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QStringList>("alerts");
        QTest::newRow("read-only storage folder") << "read-only" << QStringList{kDataSave};
        QTest::newRow("plain file in the way") << "file" << QStringList{kFolderAlert, kDataSave};
        QTest::newRow("full disk") << "full" << QStringList{kDataSave};
    }
    void failedWrites() {
        QFETCH(QString, cause);
        QFETCH(QStringList, alerts);
        QDir().mkpath(home->documents());
        std::optional<ReadOnlyFolder> readOnly;
        std::optional<FileSizeLimit> fullDisk;
        if (cause == "file")
            QVERIFY(writeFile(home->storage()));
        else
            QDir().mkpath(home->storage());
        if (cause == "read-only" && !readOnly.emplace(home->storage()).ok())
            QSKIP("this file system lets the test process write into any folder");
        if (cause == "full")
            fullDisk.emplace(16);
        const QString text = QStringLiteral("   12.35  18:15:02  a\n");
        widgets->script->setPlainText(text);

        for (const bool checkpoint : {false, true}) {
            AlertRecorder recorder;
            if (checkpoint)
                checkpointFile();
            else
                QVERIFY(!saveAndClearScript());
            QStringList shown;
            for (const auto& [message, informative] : recorder.alerts)
                shown << message;
            QCOMPARE(shown, alerts);
            if (cause == "file") // the folder alert tells what went wrong
                QVERIFY(recorder.alerts.front().second.startsWith(QStringLiteral("problem: ")));
            QCOMPARE(recorder.alerts.back().second, checkpoint ? kCheckpointText : kSaveText);
            QCOMPARE(widgets->script->toPlainText(), text);
        }
        fullDisk.reset();
        if (cause == "file")
            QCOMPARE(entriesOf(home->documents()), QStringList{QStringLiteral("Keystamp")});
        else
            QCOMPARE(entriesOf(home->storage()), QStringList());
    }

    // A save never replaces a file it did not write.
    void takenNamesAreLeftAlone() {
        QVERIFY(writeFile(home->sessionFile("lecture3.txt"), "another session's transcript\n"));
        QDir().mkpath(home->sessionFile("lecture3--2.txt")); // a folder at the next name
        QVERIFY(QFile::link("/nonexistent/target", home->sessionFile("lecture3--3.txt")));

        widgets->script->setPlainText(QStringLiteral("first"));
        QVERIFY(saveAndClearScript());
        // A second session loaded, coded and cleared within the same second.
        widgets->script->setPlainText(QStringLiteral("second"));
        QVERIFY(saveAndClearScript());

        QCOMPARE(contentsOf(home->sessionFile("lecture3.txt")),
                 QByteArray("another session's transcript\n"));
        QVERIFY(contentsOf(home->sessionFile("lecture3--4.txt")).endsWith("\nfirst"));
        QVERIFY(contentsOf(home->sessionFile("lecture3--5.txt")).endsWith("\nsecond"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/nonexistent/target")));
    }

    // A checkpoint copies the transcript and keeps it on screen. Within one
    // second a session's checkpoint replaces its own, never another session's.
    void checkpoints() {
        AlertRecorder recorder;
        for (int attempt = 0; attempt < 5; ++attempt) {
            QDir(home->storage()).removeRecursively();
            forgetCheckpoints();
            savedState().loadTime = kLoaded;
            const QString second = formatDate(QDateTime::currentDateTime(), "HH.mm.ss");
            widgets->script->setPlainText(QStringLiteral("one"));
            checkpointFile();
            widgets->script->setPlainText(QStringLiteral("two\n"));
            checkpointFile();
            QCOMPARE(widgets->script->toPlainText(), QStringLiteral("two\n"));
            // Another session, empty, with the same load stamp (loaded 1 ms later).
            savedState().loadTime = kLoaded.addMSecs(1);
            widgets->script->clear();
            checkpointFile();
            waitForCheckpoints();
            if (formatDate(QDateTime::currentDateTime(), "HH.mm.ss") != second)
                continue; // crossed a second: try again
            const QString stem = home->sessionFile("lecture3--checkpoint-at--" + second);
            QCOMPARE(entriesOf(home->storage()).size(), 2);
            QCOMPARE(contentsOf(stem + ".txt"), QByteArray("two\n"));
            QVERIFY(QFileInfo::exists(stem + "--2.txt"));
            QCOMPARE(QFileInfo(stem + "--2.txt").size(), 0);
            QVERIFY(recorder.alerts.empty());
            return;
        }
        QFAIL("five attempts each crossed a second");
    }

    void headerFollowsTheUsersLocaleAndZone_data() {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("started");
        QTest::newRow("en_US, New York")
            << QStringLiteral("en_US.UTF-8") << QStringLiteral("America/New_York")
            << QStringLiteral("2026.12.05-13.14.46--lecture3.txt")
            << QStringLiteral("Saturday, December 5, 2026 1:14:46 PM");
        QTest::newRow("de_DE, Berlin")
            << QStringLiteral("de_DE.UTF-8") << QStringLiteral("Europe/Berlin")
            << QStringLiteral("2026.12.05-19.14.46--lecture3.txt")
            << QStringLiteral("Samstag, Dezember 5, 2026 7:14:46 PM");
    }
    void headerFollowsTheUsersLocaleAndZone() {
        QFETCH(QString, lang);
        QFETCH(QString, zone);
        QFETCH(QString, file);
        QFETCH(QString, started);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LC_TIME", "LC_MESSAGES", "LANGUAGE"})
            env.remove(QString::fromLatin1(name));
        env.insert("LANG", lang);
        env.insert("TZ", zone);
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--save-child"), "-platform", "offscreen"});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(contentsOf(QDir(home->storage()).filePath(file)),
                 ("#\n# started_at " + started + "\n# video_name lecture3\nabc\n").toUtf8());
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--save-child") == 0)
        return saveInChild(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    StorageFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_storage_files.moc"
