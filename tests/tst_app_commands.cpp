// The window from the real interface file with a scripted player: open
// requests, focus, tabs, Help, Clear, fitting, drops, the transport
// controls, checkpoint and export, and the end (failed saves, signals).
#include "app/app_delegate.h"
#include "app/main_window.h"
#include "app/segmented_control.h"
#include "app/termination_signals.h"
#include "platform/date_format.h"
#include "session/key_entry_view.h"
#include "session/state.h"
#include "storage/checkpoint.h"
#include "storage/disk_worker.h"
#include "storage/transcript_file.h"
#include "support/app_home.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "transport/goto_controller.h"
#include "transport/player_view.h"
#include "window/letterbox.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <optional>

class AppCommands : public QObject {
    Q_OBJECT

    std::optional<AppHome> home;
    std::optional<AlertRecorder> alerts;
    std::unique_ptr<AppDelegate> app;
    QTemporaryDir videos;

    FakePlayer* fake() const {
        return savedState().playerView
                   ? qobject_cast<FakePlayer*>(savedState().playerView->player())
                   : nullptr;
    }
    QStringList lines() const {
        QStringList l = app->scrollViewContainingTranscript->toPlainText().split('\n');
        if (!l.isEmpty() && l.last().isEmpty())
            l.removeLast();
        return l;
    }
    QAction* action(const char* name) const {
        return app->window->findChild<QAction*>(QLatin1String(name));
    }
    void typeInPlayer(const QString& keys) { QTest::keyClicks(app->player.data(), keys); }
    // Saves fail while a plain file stands where the storage folder should be.
    void blockSaves() {
        QApplication::setApplicationDisplayName(QStringLiteral("Keystamp Blocked"));
        QFile blocker(home->documents() + QStringLiteral("/Keystamp Blocked"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    void unblockSaves() { QApplication::setApplicationDisplayName(QStringLiteral("Keystamp")); }
    // Drags and drops data on the player view: whether each was accepted.
    std::pair<bool, bool> drag(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(app->player, &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setAccepted(false);
        QApplication::sendEvent(app->player, &drop);
        return {enter.isAccepted() && enter.dropAction() == Qt::CopyAction, drop.isAccepted()};
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
    void init() { alerts->alerts.clear(); }

    // Requests before launch are only remembered; launch opens the last one,
    // keys in the player view; a later request saves the session (its name:
    // "a.b" gives "a") and opens at once.
    void openRequestsAndLaunch() {
        QVERIFY(app->applicationOpenFile(videos.filePath(QStringLiteral("first.mov"))));
        QVERIFY(app->applicationOpenFile(videos.filePath(QStringLiteral("a.b.mp4"))));
        QVERIFY(!app->player->player() && !app->window->isVisible());
        app->applicationDidFinishLaunching();
        QCOMPARE(fake()->items, std::vector<QUrl>{QUrl::fromLocalFile(videos.filePath("a.b.mp4"))});
        QCOMPARE(app->window->windowTitle(), QStringLiteral("a.b"));
        QCOMPARE(app->tbTextBlock->text(),
                 formatDate(savedState().loadTime, "yyyy.MM.dd-HH.mm.ss"));
        QVERIFY(app->helpView->toPlainText().contains(QStringLiteral("unsaved--")));
        QVERIFY(QTest::qWaitForWindowActive(app->window));
        QVERIFY(app->player->hasFocus());

        typeInPlayer(QStringLiteral("abc"));
        QVERIFY(app->applicationOpenFile(videos.filePath(QStringLiteral("lecture3.mov"))));
        QCOMPARE(app->window->windowTitle(), QStringLiteral("lecture3"));
        QVERIFY(lines().isEmpty() && alerts->alerts.empty());
        const QStringList files = home->transcriptFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY2(files[0].endsWith(QStringLiteral("--a.txt")), qPrintable(files[0]));
        QCOMPARE(home->lines(files[0]).value(2), QStringLiteral("# video_name a.b"));
    }

    // Buttons never take the keys from the player view; the key-entry view
    // and the go-to field (also by Ctrl+G) take them when asked; Tab is a key
    // to record, not a focus move.
    void controlsNeverTakeTheFocus() {
        QVERIFY(app->player->hasFocus());
        for (QAbstractButton* b : app->window->findChildren<QAbstractButton*>())
            QVERIFY2(b->focusPolicy() == Qt::NoFocus, qPrintable(b->objectName()));
        const qsizetype before = lines().size();
        QTest::mouseClick(app->codeEntry, Qt::LeftButton);
        QTest::keyClick(app->codeEntry, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(app->codeEntry));
        QCOMPARE(lines().size(), before + 1);
        QTest::keyClick(app->window, Qt::Key_G, Qt::ControlModifier);
        QVERIFY(app->gotoField->hasFocus());
        app->player->setFocus();
    }

    // No mnemonics (Alt is a modifier to record) and no shortcut beyond
    // these, but for the transcript view's own, where keys are typed.
    void menusKeepAltAndMostKeysForTheRecorder() {
        QStringList shortcuts;
        for (QAction* a : app->window->findChildren<QAction*>()) {
            QVERIFY(!a->text().contains('&'));
            if (a->shortcutContext() == Qt::WidgetShortcut &&
                a->parent() == app->scrollViewContainingTranscript)
                continue;
            if (!a->shortcut().isEmpty())
                shortcuts << a->shortcut().toString();
        }
        shortcuts.sort();
        QCOMPARE(shortcuts, QStringList({"Ctrl+G", "Ctrl+O", "Ctrl+P", "Ctrl+Q", "Ctrl+S"}));
    }

    // A view outside the tabs does nothing; keys reach the recorder on any
    // tab; a switch keeps a playing video's rate (even where hiding pauses
    // it) and a paused one paused.
    void viewsKeepTheKeysAndTheRate() {
        app->chooseView(1);
        const auto rateCalls = fake()->rateCalls.size();
        for (qint64 i : {qint64(3), qint64(-1), qint64(1) << 40})
            app->chooseView(i);
        QCOMPARE(app->tabView->currentIndex(), 1);
        QCOMPARE(fake()->rateCalls.size(), rateCalls);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_K);
        QVERIFY(lines().last().endsWith(QStringLiteral("  k")));
        app->chooseView(0);
        QVERIFY(app->player->hasFocus());

        fake()->setRateSilently(2.0f);
        auto pauseOnSwitch = connect(app->tabView, &QStackedWidget::currentChanged, this,
                                     [this] { fake()->setRateSilently(0.0f); });
        for (int tab : {2, 0}) {
            QTest::mouseClick(app->viewSelector->segmentButton(tab), Qt::LeftButton);
            QCOMPARE(app->tabView->currentIndex(), tab);
            QTRY_COMPARE(fake()->rate(), 2.0f);
        }
        disconnect(pauseOnSwitch);
        fake()->setRateSilently(0.0f);
        app->chooseView(1);
        QTest::qWait(20);
        QCOMPARE(fake()->rate(), 0.0f);
        app->chooseView(0);
    }

    // Help pauses and shows its tab; Clear from there saves, starts the
    // stopwatch and brings the video tab back.
    void helpThenClear() {
        typeInPlayer(QStringLiteral("abc"));
        const QStringList coded = lines();
        const QStringList filesBefore = home->transcriptFiles();
        QTest::qWait(1100); // the next session gets a stamp of its own
        fake()->setRateSilently(2.0f);
        action("actionHelp")->trigger();
        QCOMPARE(app->tabView->currentIndex(), 2);
        QTest::qWait(20);
        QCOMPARE(fake()->rate(), 0.0f);
        action("actionClear")->trigger();
        QCOMPARE(app->tabView->currentIndex(), 0);
        QCOMPARE(app->window->windowTitle(), QStringLiteral("stopwatch"));
        QVERIFY(lines().isEmpty() && alerts->alerts.empty());
        const QStringList files = home->transcriptFiles();
        QCOMPARE(files.size(), filesBefore.size() + 1);
        QCOMPARE(home->lines(files.last()).mid(3), coded);
        app->viewSelector->selectSegmentWithTag(0);
    }

    // Large, Small, then the resize command, which toggles once a fit was made.
    void windowFittingCommands() {
        fake()->size = QSizeF(1280, 720);
        fake()->setStatus(ItemStatus::ReadyToPlay);
        // With the timeline hidden and shown, the picture takes the video's shape.
        for (const bool timeline : {false, true}) {
            action("actionShowTimeline")->setChecked(timeline);
            for (const auto& [name, scaledUp] : {std::pair{"actionLarge", true},
                                                 {"actionSmall", false},
                                                 {"resizeToolbarItem", true}}) {
                const auto count = savedState().resizesSinceLoad;
                action(name)->trigger();
                QCOMPARE(savedState().resizesSinceLoad, count + 1);
                QCOMPARE(previous().scaledUp, scaledUp);
                QTRY_VERIFY2(std::abs(app->player->width() - app->player->height() * 16.0 / 9.0) <=
                                 2.0,
                             name);
            }
        }
    }

    void transportControlsReachTheTransport() {
        fake()->time = 12.3456;
        QTest::mouseClick(app->markButton, Qt::LeftButton);
        QCOMPARE(app->markDisplay->text(), QStringLiteral("12.35"));
        const std::pair<QAbstractButton*, std::int64_t> seeks[] = {
            {app->aheadButton, 13346}, {app->homeButton, 12346}, {app->zeroButton, 0}};
        for (auto [button, ms] : seeks) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(fake()->seeks.back(), ms);
        }
        QTest::mouseClick(app->finerButton, Qt::LeftButton);
        QCOMPARE(app->aheadButton->text(), QStringLiteral("0.50 ▶"));
        QTest::mouseClick(app->coarserButton, Qt::LeftButton);
        QCOMPARE(app->backButton->text(), QStringLiteral("◀ 1.00"));
        QTest::mouseClick(app->rateControl->segmentButton(2), Qt::LeftButton);
        QVERIFY(lines().last().endsWith(QStringLiteral("  rate_set_to_0.50")));
        QTest::mouseClick(app->rateControl->segmentButton(3), Qt::LeftButton);
    }

    // A checkpoint leaves the transcript on screen. Export Data with a bad
    // scheme: one alert, no file; with a good one: six files of the stem.
    void checkpointAndExport() {
        typeInPlayer(QStringLiteral("q"));
        action("actionSaveCheckpoint")->trigger();
        waitForCheckpoints();
        QCOMPARE(home->files(QStringLiteral("*--checkpoint-at--*")).size(), 1);
        QVERIFY(!lines().isEmpty());

        const QString stem = formatDate(savedState().loadTime, "yyyy.MM.dd-HH.mm.ss") + "--" +
                             namePartOf(savedState().vidBasename);
        auto exported = [&] {
            return home->files(stem + "--*.csv") + home->files(stem + "--*.svg");
        };
        QVERIFY(writeFile(home->storage() + "/coding-scheme.txt", "q quiet stat\n"));
        action("actionExportData")->trigger();
        QCOMPARE(alerts->alerts.size(), std::size_t(1));
        QVERIFY(alerts->alerts[0].second.contains("coding-scheme.txt:1: unknown kind stat"));
        QCOMPARE(exported(), QStringList());
        QVERIFY(writeFile(home->storage() + "/coding-scheme.txt", "q quiet state\n"));
        fake()->time = 2.5;
        typeInPlayer(QStringLiteral("q"));
        action("actionExportData")->trigger();
        QTRY_COMPARE(exported().size(), 6);
        QVERIFY(
            contentsOf(home->storage() + "/" + stem + "--latency.csv").contains(",quiet,state,"));
        QVERIFY(contentsOf(home->storage() + "/" + stem + "--events.csv")
                    .contains(",q,quiet,state,start"));
        QVERIFY(contentsOf(home->storage() + "/" + stem + "--timeline.svg").contains("<svg"));
        QVERIFY(QFile::remove(home->storage() + "/coding-scheme.txt"));

        // A checkpoint that fails on the disk worker (a folder took its name
        // meanwhile) while keys are recorded: the status line says so at once,
        // the next key is recorded, and the alert waits for the transcript.
        alerts->alerts.clear();
        app->player->setFocus();
        QSemaphore go;
        diskWorker().post([&go] { go.acquire(); });
        action("actionSaveCheckpoint")->trigger();
        const QString taken =
            home->storage() + "/" + home->files(QStringLiteral("*--checkpoint-at--*")).last();
        QVERIFY(QFile::remove(taken) && QDir().mkdir(taken));
        go.release();
        QTRY_VERIFY(app->tbTextBlock->text().contains(QStringLiteral("could not be written")));
        const auto coded = lines().size();
        typeInPlayer(QStringLiteral("k"));
        QCOMPARE(lines().size(), coded + 1);
        QVERIFY(alerts->alerts.empty());
        app->scrollViewContainingTranscript->setFocus();
        QTRY_COMPARE(alerts->alerts.size(), std::size_t(1));
        QCOMPARE(alerts->alerts[0].first, QStringLiteral("Data Save"));
        QVERIFY(QDir().rmdir(taken));
        app->player->setFocus();
    }

    // A drop without a local file (remote or a folder) is refused before
    // anything is saved; one with several opens the first local file, and
    // the new transcript is the new video's.
    void dropOpensTheFirstLocalFile() {
        typeInPlayer(QStringLiteral("drop"));
        const QStringList coded = lines();
        const QStringList filesBefore = home->transcriptFiles();
        QTemporaryDir dir;
        const QUrl folder = QUrl::fromLocalFile(dir.path());
        QCOMPARE(drag({QUrl(QStringLiteral("sftp://host/video.mp4")), folder}),
                 std::make_pair(false, false));
        QCOMPARE(lines(), coded);
        QCOMPARE(home->transcriptFiles(), filesBefore);

        const QString first = dir.filePath(QStringLiteral("clip.b.mp4"));
        QCOMPARE(drag({QUrl(QStringLiteral("https://example.com/v.mp4")), folder,
                       QUrl::fromLocalFile(first), QUrl::fromLocalFile(dir.filePath("o.mp4"))}),
                 std::make_pair(true, true));
        QCOMPARE(fake()->items.back(), QUrl::fromLocalFile(first));
        QCOMPARE(app->window->windowTitle(), QStringLiteral("clip.b"));
        QVERIFY(lines().isEmpty() && alerts->alerts.empty());
        typeInPlayer(QStringLiteral("n"));
        QVERIFY(saveAndClearScript());
        const QStringList files = home->transcriptFiles();
        QCOMPARE(files.size(), filesBefore.size() + 2);
        const QString next = files.filter(QStringLiteral("--clip.txt")).value(0);
        QCOMPARE(home->lines(next).value(2), QStringLiteral("# video_name clip.b"));
    }

    // Last: the end of the program. While saves fail, drop, open, Clear and a
    // termination signal all keep the session and its window, telling the
    // user each time (the folder, then the write). A successful save (the
    // clear) forgets the failure, so the next signal keeps it too; the one
    // after that ends whatever happens.
    void aFailedSaveKeepsTheSessionAndTheWindow() {
        TerminationSignals handlers;
        connect(&handlers, &TerminationSignals::received, app.get(),
                &AppDelegate::onTerminationSignal);
        QTemporaryDir dir;
        for (const char* typed : {"keep", "again"}) {
            const bool first = QByteArray(typed) == "keep";
            typeInPlayer(QString::fromLatin1(typed));
            const QStringList coded = lines();
            const QDateTime loaded = savedState().loadTime;
            const auto items = fake()->items.size();
            const auto alertsBefore = alerts->alerts.size();
            const QString title = app->window->windowTitle();
            blockSaves();
            if (first) {
                QCOMPARE(drag({QUrl::fromLocalFile(dir.filePath(QStringLiteral("next.mp4")))}),
                         std::make_pair(true, false));
                QVERIFY(app->applicationOpenFile(dir.filePath(QStringLiteral("other.mp4"))));
                QTest::mouseClick(app->clearButton, Qt::LeftButton);
            }
            QCOMPARE(::raise(SIGTERM), 0);
            QTRY_COMPARE(alerts->alerts.size(), alertsBefore + (first ? 8 : 2));
            QTest::qWait(50);
            QCOMPARE(alerts->alerts.size(), alertsBefore + (first ? 8 : 2));
            QCOMPARE(alerts->alerts.back().first, QStringLiteral("Data Save"));
            QVERIFY(app->window->isVisible());
            QCOMPARE(lines(), coded);
            QCOMPARE(fake()->items.size(), items);
            QCOMPARE(savedState().loadTime, loaded);
            QCOMPARE(app->window->windowTitle(), title);
            unblockSaves();
            if (first)
                QTest::mouseClick(app->clearButton, Qt::LeftButton);
        }
        // Still failing, the second quit in a row ends the program (the
        // journal, not installed here, keeps the lines).
        const QStringList filesBefore = home->transcriptFiles();
        blockSaves();
        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_VERIFY(!app->window->isVisible());
        unblockSaves();
        QCOMPARE(home->transcriptFiles(), filesBefore);
    }
};

QTEST_MAIN(AppCommands)
#include "tst_app_commands.moc"
