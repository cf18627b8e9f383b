// The storage folder, transcript files and checkpoints, written for real into
// a temporary home.
#include "platform/date_format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/checkpoint.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"
#include "support/fake_player.h"
#include "support/storage_fixture.h"
#include "support/test_helpers.h"
#include "transport/player_view.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <optional>

using Alerts = std::vector<std::pair<QString, QString>>;

namespace {

const QString kFolderAlert = QStringLiteral("Data storage folder creation");
const QString kDataSave = QStringLiteral("Data Save");
const QString kSaveText = QStringLiteral(
    "There was a problem while writing a file.\nShort term, consider saving your work\nby "
    "printing or by copy & paste.\n\nAfter that, test that files can be created\nin the "
    "Documents folder.");
const QString kCheckpointText = QStringLiteral(
    "There was a problem while writing a file.\nShort term, consider saving your work\n by "
    "printing or by copy & paste.\n\nAfter that, test that files can be created\nin the "
    "Documents folder.");

QString stampOf(const QDateTime& t) {
    return formatDate(t, kLoadStampPattern);
}

// Child mode: saves "abc" for lecture3 loaded at 18:14:46 UTC on 5 Dec 2026
// in the locale and zone of the environment.
int saveInChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    SessionWidgets widgets;
    widgets.loadItem();
    savedState().loadTime = QDateTime(QDate(2026, 12, 5), QTime(18, 14, 46), Qt::UTC);
    savedState().vidBasename = QStringLiteral("lecture3");
    recordNote(QStringLiteral("abc"));
    return saveAndClearScript() ? 0 : 1;
}

} // namespace

class StorageFiles : public QObject {
    Q_OBJECT
    std::optional<TemporaryHome> home;
    std::optional<SessionWidgets> widgets;

    QString expectedPath(const QString& suffix = QStringLiteral(".txt")) const {
        return QDir(home->storage())
            .filePath(stampOf(savedState().loadTime) + QStringLiteral("--lecture3") + suffix);
    }

private slots:
    void initTestCase() {
        QApplication::setApplicationName(QStringLiteral("keystamp"));
        QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    }
    void init() {
        resetSession();
        home.emplace();
        widgets.emplace();
        widgets->loadItem();
        savedState().loadTime = QDateTime::currentDateTime();
        savedState().vidBasename = QStringLiteral("lecture3");
    }
    void cleanup() {
        widgets.reset();
        home.reset();
        forgetCheckpoints();
        QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    }

    void storageFolderIsNamedAfterTheProgram() {
        AlertRecorder recorder;
        QCOMPARE(defaultAppName(), QStringLiteral("Keystamp"));
        QCOMPARE(docURL(), QUrl::fromLocalFile(home->documents()));
        // The Documents folder is missing and is made along with it.
        QCOMPARE(storageURL(), QUrl::fromLocalFile(home->storage()));
        QVERIFY(QFileInfo(home->storage()).isDir());
        QCOMPARE(storageURL(), QUrl::fromLocalFile(home->storage()));

        QApplication::setApplicationDisplayName(QStringLiteral("Key Stamp Lab"));
        QCOMPARE(storageURL().toLocalFile(), QDir(home->documents()).filePath("Key Stamp Lab"));
        QVERIFY(QFileInfo(QDir(home->documents()).filePath("Key Stamp Lab")).isDir());
        QApplication::setApplicationDisplayName(QString());
        QCOMPARE(defaultAppName(), QStringLiteral("keystamp"));
        QVERIFY(recorder.alerts.empty());
    }

    void plainFileWhereTheFolderShouldBe() {
        QDir().mkpath(home->documents());
        QFile blocker(home->storage());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        AlertRecorder recorder;
        QCOMPARE(storageURL(), QUrl::fromLocalFile(home->storage()));
        QCOMPARE(recorder.alerts.size(), size_t(1));
        QCOMPARE(recorder.alerts[0].first, kFolderAlert);
        QVERIFY(recorder.alerts[0].second.startsWith(QStringLiteral("problem: ")));
        QVERIFY(recorder.alerts[0].second.size() > 10);
    }

    void saveWritesHeaderAndTranscript() {
        recordNote(QStringLiteral("   12.35  18:15:02  a"));
        recordNote(QStringLiteral("   13.00  18:15:03  shift-\u00A0"));
        AlertRecorder recorder;
        QVERIFY(saveAndClearScript());
        const QByteArray expected =
            (QStringLiteral("#\n# started_at ") +
             formatDate(savedState().loadTime, kHeaderDatePattern) +
             QStringLiteral("\n# video_name lecture3\n   12.35  18:15:02  a\n"
                            "   13.00  18:15:03  shift-\u00A0\n"))
                .toUtf8();
        QCOMPARE(contentsOf(expectedPath()), expected);
        QCOMPARE(widgets->script->toPlainText(), QString());
        QVERIFY(recorder.alerts.empty());
    }

    // More than two user-perceived characters are written; fewer only clear.
    void twoCharacterRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("written");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("two") << QStringLiteral("ab") << false;
        QTest::newRow("three") << QStringLiteral("abc") << true;
        QTest::newRow("two with combining marks") << QStringLiteral("e\u0301o\u0308") << false;
        QTest::newRow("three with combining marks") << QStringLiteral("e\u0301o\u0308a") << true;
        QTest::newRow("two astral") << QStringLiteral("\U0001F600\U0001F3BB") << false;
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
        QVERIFY(QFileInfo(home->storage()).isDir());
        QCOMPARE(QFileInfo::exists(expectedPath()), written);
        if (written)
            QVERIFY(contentsOf(expectedPath()).endsWith("# video_name lecture3\n" + text.toUtf8()));
        QCOMPARE(widgets->script->toPlainText(), QString());
        QVERIFY(recorder.alerts.empty());
    }

    void videoNameInHeaderAndFileName() {
        widgets->script->setPlainText(QStringLiteral("abc"));
        savedState().vidBasename = QStringLiteral("trial.01");
        QVERIFY(saveAndClearScript());
        const QString trial =
            QDir(home->storage()).filePath(stampOf(savedState().loadTime) + "--trial.txt");
        QVERIFY(contentsOf(trial).contains("\n# video_name trial.01\nabc"));

        // Without an item the header says so; the name keeps the base name.
        widgets->playerView->setPlayer(std::make_unique<FakePlayer>());
        savedState().vidBasename = QStringLiteral("stopwatch");
        savedState().loadTime = savedState().loadTime.addSecs(5);
        widgets->script->setPlainText(QStringLiteral("abc"));
        QVERIFY(saveAndClearScript());
        const QString stopwatch =
            QDir(home->storage()).filePath(stampOf(savedState().loadTime) + "--stopwatch.txt");
        QVERIFY(contentsOf(stopwatch).contains("\n# video_name no-video\nabc"));
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
        QDir().mkpath(cause == "file" ? home->documents() : home->storage());
        std::optional<ReadOnlyFolder> readOnly;
        std::optional<FileSizeLimit> fullDisk;
        if (cause == "read-only") {
            readOnly.emplace(home->storage());
            if (!readOnly->ok())
                QSKIP("this file system lets the test process write into any folder");
        } else if (cause == "file") {
            QFile blocker(home->storage());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        } else {
            fullDisk.emplace(16);
        }
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
        QDir().mkpath(home->storage());
        QFile other(expectedPath());
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("another session's transcript\n");
        other.close();
        QDir().mkpath(expectedPath(QStringLiteral("--2.txt"))); // a folder at the next name
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/target"),
                            expectedPath(QStringLiteral("--3.txt"))));

        widgets->script->setPlainText(QStringLiteral("first"));
        QVERIFY(saveAndClearScript());
        // A second session loaded, coded and cleared within the same second.
        widgets->script->setPlainText(QStringLiteral("second"));
        QVERIFY(saveAndClearScript());

        QCOMPARE(contentsOf(expectedPath()), QByteArray("another session's transcript\n"));
        QVERIFY(contentsOf(expectedPath(QStringLiteral("--4.txt"))).endsWith("\nfirst"));
        QVERIFY(contentsOf(expectedPath(QStringLiteral("--5.txt"))).endsWith("\nsecond"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/nonexistent/target")));
    }

    void checkpointsKeepTheTranscript() {
        const QString text = QStringLiteral("   12.35  18:15:02  a\n   13.00  18:15:03  b\n");
        widgets->script->setPlainText(text);
        AlertRecorder recorder;
        const QDateTime before = QDateTime::currentDateTime();
        checkpointFile();
        const QDateTime after = QDateTime::currentDateTime();
        QCOMPARE(widgets->script->toPlainText(), text);
        const QStringList files = entriesOf(home->storage());
        QCOMPARE(files.size(), 1);
        const QString head = stampOf(savedState().loadTime) + "--lecture3--checkpoint-at--";
        QVERIFY(files[0] == head + formatDate(before, "HH.mm.ss") + ".txt" ||
                files[0] == head + formatDate(after, "HH.mm.ss") + ".txt");
        QCOMPARE(contentsOf(QDir(home->storage()).filePath(files[0])), text.toUtf8());

        // An empty transcript of another session gives an empty file.
        savedState().loadTime = savedState().loadTime.addDays(1);
        widgets->script->clear();
        checkpointFile();
        QVERIFY(recorder.alerts.empty());
        const QStringList all = entriesOf(home->storage());
        QCOMPARE(all.size(), 2);
        QVERIFY(all[1].startsWith(stampOf(savedState().loadTime) + "--lecture3--checkpoint-at--"));
        QCOMPARE(QFileInfo(QDir(home->storage()).filePath(all[1])).size(), 0);
    }

    // Within one second a session's checkpoint replaces its own, never
    // another session's.
    void checkpointsOfOneSecond() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            QDir(home->storage()).removeRecursively();
            forgetCheckpoints();
            savedState().loadTime = QDateTime::currentDateTime();
            const QString second = formatDate(QDateTime::currentDateTime(), "HH.mm.ss");
            widgets->script->setPlainText(QStringLiteral("one"));
            checkpointFile();
            widgets->script->setPlainText(QStringLiteral("two"));
            checkpointFile();
            // Another session with the same load stamp (loaded 1 ms later).
            savedState().loadTime = savedState().loadTime.addMSecs(1);
            widgets->script->setPlainText(QStringLiteral("three"));
            checkpointFile();
            if (formatDate(QDateTime::currentDateTime(), "HH.mm.ss") != second)
                continue; // crossed a second: try again
            const QString stem = home->storage() + "/" + stampOf(savedState().loadTime) +
                                 "--lecture3--checkpoint-at--" + second;
            QCOMPARE(entriesOf(home->storage()).size(), 2);
            QCOMPARE(contentsOf(stem + ".txt"), QByteArray("two"));
            QCOMPARE(contentsOf(stem + "--2.txt"), QByteArray("three"));
            return;
        }
        QFAIL("five attempts each crossed a second");
    }

    void headerFollowsTheUsersLocaleAndZone_data() {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("started");
        QTest::newRow("en_US, New York") << "en_US.UTF-8"
                                         << "America/New_York"
                                         << "2026.12.05-13.14.46--lecture3.txt"
                                         << "Saturday, December 5, 2026 1:14:46 PM";
        QTest::newRow("de_DE, Berlin") << "de_DE.UTF-8"
                                       << "Europe/Berlin"
                                       << "2026.12.05-19.14.46--lecture3.txt"
                                       << "Samstag, Dezember 5, 2026 7:14:46 PM";
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
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save-child")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        const QByteArray written = contentsOf(QDir(home->storage()).filePath(file));
        QCOMPARE(written,
                 ("#\n# started_at " + started + "\n# video_name lecture3\nabc\n").toUtf8());
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--save-child") == 0)
        return saveInChild(1, argv);
    QApplication app(argc, argv);
    StorageFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_storage_files.moc"
