#include "app/app_delegate.h"

#include "app/april_fools.h"
#include "app/instances.h"
#include "app/key_reference.h"
#include "app/main_window.h"
#include "app/recording_indicator.h"
#include "app/reopen.h"
#include "app/segmented_control.h"
#include "platform/alert.h"
#include "platform/key_translation.h"
#include "platform/resources.h"
#include "session/key_entry_view.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/revision.h"
#include "storage/transcript_file.h"
#include "transport/goto_controller.h"
#include "transport/hops.h"
#include "transport/open_file.h"
#include "transport/player_view.h"
#include "transport/stopwatch.h"
#include "transport/tape_counter.h"
#include "window/timeline_strip.h"

#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

AppDelegate::AppDelegate(QObject* parent) : QObject(parent), ownedWindow_(new MainWindow) {
    Ui::MainWindow ui;
    ui.setupUi(ownedWindow_.get());
    window = ownedWindow_.get();
    bindOutlets();
    connectCommands();
    addReopenCommands();
    // The timeline first: the splitter takes it into the picture's pane.
    installTimelineStrip(window, scrollViewContainingTranscript, tbTextBlock);
    makeTranscriptResizable();
    applyLook();
    window->setCloseGuard([this] { return applicationShouldTerminate(); });
    window->setRecordingViews({player.data(), codeEntry.data()});
    window->setStrayKeyHandler([this](QKeyEvent* event) { takeStrayKey(event); });
    setRecordingProbe([this] { return keysAreRecorded(); });
    if (player)
        recordingIndicator_ =
            std::make_unique<RecordingIndicator>(player, [this] { return keysAreRecorded(); });
    // An end of the program that did not pass through the window (the session
    // manager, for one) still saves the transcript.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!terminating_) {
            terminating_ = true;
            applicationWillTerminate();
        }
    });
}

AppDelegate::~AppDelegate() {
    // The session record must not point into a window that is gone.
    stateDef& state = savedState();
    if (state.window == window.data()) {
        state.window = nullptr;
        state.tbTextBlock = nullptr;
        state.codeDisplay = nullptr;
        state.script = nullptr;
        state.playerView = nullptr;
        state.tapeCounterDisplay = nullptr;
        state.markDisplay = nullptr;
        state.excursionDisplay = nullptr;
        state.backButton = nullptr;
        state.aheadButton = nullptr;
        state.gotoField = nullptr;
    }
}

void AppDelegate::bindOutlets() {
    auto find = [this](auto& outlet, const char* name) {
        using T = std::remove_pointer_t<decltype(outlet.data())>;
        outlet = window->findChild<T*>(QLatin1String(name));
    };
    find(viewSelector, "viewSelector");
    find(tbTextBlock, "tbTextBlock");
    find(tabView, "tabView");
    find(vidAndControls, "vidAndControls");
    find(player, "player");
    find(helpView, "helpView");
    find(gotoField, "gotoField");
    find(zeroButton, "zeroButton");
    find(codeDisplay, "codeDisplay");
    find(scrollViewContainingTranscript, "scrollViewContainingTranscript");
    if (scrollViewContainingTranscript)
        clipContainingtranscript = scrollViewContainingTranscript->viewport();
    find(codeEntry, "codeEntry");
    find(tapeCounterDisplay, "tapeCounterDisplay");
    find(markDisplay, "markDisplay");
    find(excursionDisplay, "excursionDisplay");
    find(backButton, "backButton");
    find(aheadButton, "aheadButton");
    find(homeButton, "homeButton");
    find(controlsBox, "controlsBox");
    find(rateControl, "rateControl");
    find(markButton, "markButton");
    find(finerButton, "finerButton");
    find(coarserButton, "coarserButton");
    find(clearButton, "clearButton");
    find(keysView, "keysView");
}

void AppDelegate::connectCommands() {
    const std::pair<const char*, void (AppDelegate::*)()> actions[] = {
        {"actionOpen", &AppDelegate::onMenuOpen},
        {"actionSaveCheckpoint", &AppDelegate::onMenuSaveCheckpoint},
        {"actionExportData", &AppDelegate::onMenuExportData},
        {"actionShowFiles", &AppDelegate::onMenuShowFiles},
        {"actionPrint", &AppDelegate::onMenuPrint},
        {"actionClear", &AppDelegate::onMenuClear},
        {"actionNewPlayer", &AppDelegate::onMenuNewPlayer},
        {"actionQuit", &AppDelegate::onMenuQuit},
        {"actionGoToTime", &AppDelegate::onMenuGoToTime},
        {"actionLarge", &AppDelegate::onMenuLarge},
        {"actionSmall", &AppDelegate::onMenuSmall},
        {"actionHelp", &AppDelegate::onMenuHelp},
        {"filesToolbarItem", &AppDelegate::onFilesButton},
        {"anotherToolbarItem", &AppDelegate::onAnotherButton},
        {"resizeToolbarItem", &AppDelegate::onResizeToolbarItem},
    };
    for (const auto& [name, slot] : actions) {
        if (QAction* action = window->findChild<QAction*>(QLatin1String(name)))
            connect(action, &QAction::triggered, this, slot);
    }
    const std::pair<QAbstractButton*, void (AppDelegate::*)()> buttons[] = {
        {zeroButton, &AppDelegate::onZeroButton},   {backButton, &AppDelegate::onBackButton},
        {homeButton, &AppDelegate::onHomeButton},   {aheadButton, &AppDelegate::onAheadButton},
        {finerButton, &AppDelegate::onFinerButton}, {coarserButton, &AppDelegate::onCoarserButton},
        {markButton, &AppDelegate::onMarkButton},   {clearButton, &AppDelegate::onClearButton},
    };
    for (const auto& [button, slot] : buttons) {
        if (button)
            connect(button, &QAbstractButton::clicked, this, slot);
    }
    if (viewSelector)
        connect(viewSelector, &SegmentedControl::activated, this,
                [this] { onChooseView(viewSelector); });
    if (rateControl)
        connect(rateControl, &SegmentedControl::activated, this,
                [this] { onRateChoose(rateControl); });
}

void AppDelegate::applyLook() {
    // Nothing but the views that record keys, the transcript and the go-to
    // field takes the focus: a click on a control must not take the keys.
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        b->setFocusPolicy(Qt::NoFocus);
    if (QToolBar* toolBar = window->findChild<QToolBar*>(QStringLiteral("toolBar"))) {
        toolBar->setFocusPolicy(Qt::NoFocus);
        const std::pair<const char*, QStyle::StandardPixmap> icons[] = {
            {"filesToolbarItem", QStyle::SP_DirOpenIcon},
            {"anotherToolbarItem", QStyle::SP_FileDialogNewFolder},
            {"resizeToolbarItem", QStyle::SP_TitleBarMaxButton},
        };
        for (const auto& [name, pixmap] : icons) {
            if (QAction* action = window->findChild<QAction*>(QLatin1String(name)))
                action->setIcon(window->style()->standardIcon(pixmap));
        }
    }
    if (tabView)
        tabView->setFocusPolicy(Qt::NoFocus);

    // Counters and lines in a fixed-width font.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QFont readoutFont = fixed;
    readoutFont.setPointSizeF(15.0);
    readoutFont.setBold(true);
    for (QLabel* readout :
         {tapeCounterDisplay.data(), markDisplay.data(), excursionDisplay.data()}) {
        if (!readout)
            continue;
        readout->setFont(readoutFont);
        readout->setAutoFillBackground(true);
        readout->setBackgroundRole(QPalette::Base);
        readout->setForegroundRole(QPalette::Text);
        // Wide enough for a day of video; a fixed width keeps long
        // numbers from widening the window.
        readout->setFixedWidth(
            QFontMetrics(readoutFont).horizontalAdvance(QStringLiteral("-00000.00")) + 14);
        readout->setContentsMargins(4, 1, 4, 1);
    }
    QFont lineFont = fixed;
    lineFont.setPointSizeF(12.0);
    if (codeDisplay) {
        codeDisplay->setFont(lineFont);
        codeDisplay->setBackgroundRole(QPalette::Base);
        codeDisplay->setForegroundRole(QPalette::Text);
        codeDisplay->setContentsMargins(4, 2, 4, 2);
        codeDisplay->setMinimumHeight(QFontMetrics(lineFont).height() + 10);
    }
    if (tbTextBlock)
        tbTextBlock->setFont(lineFont);
    for (QTextBrowser* browser : {keysView.data(), helpView.data()}) {
        if (browser)
            browser->document()->setDocumentMargin(12);
    }
    if (keysView)
        keysView->setHtml(keyReferenceHtml());
}

void AppDelegate::takeStrayKey(QKeyEvent* event) {
    // A tab switch takes the focus from the hidden player view and leaves it
    // on the page shown; keys pressed there still belong to the recorder. Keys
    // that a text field or browser let through are not recorded.
    if (!recordsStrayKeys(QApplication::focusWidget()) || !player || isModifierOnlyKey(*event)) {
        event->ignore();
        return;
    }
    player->keyDown(keyEventFromQt(*event));
    event->accept();
}

bool AppDelegate::recordsStrayKeys(const QWidget* focus) const {
    return !focus ||
           (tabView && (focus == tabView.data() || focus->parentWidget() == tabView.data()));
}

bool AppDelegate::keysAreRecorded() const {
    if (!window || !window->isActiveWindow())
        return false;
    const QWidget* focus = QApplication::focusWidget();
    return (focus && (focus == player.data() || focus == codeEntry.data())) ||
           recordsStrayKeys(focus);
}

void AppDelegate::applicationDidFinishLaunching() {
    stateDef& state = savedState();
    // 1. Date formatting: ICU formatters take their pattern as given, in the
    //    user's locale and zone; there is no older behaviour to opt out of.
    // 2. The view selector shows the video tab.
    if (viewSelector)
        viewSelector->selectSegmentWithTag(0);
    // 3. An empty status line.
    if (tbTextBlock)
        tbTextBlock->setText(QString());
    // 4. The elements the logic writes to go to the session record.
    state.window = window;
    state.tbTextBlock = tbTextBlock.data();
    state.codeDisplay = codeDisplay.data();
    state.script = scrollViewContainingTranscript.data();
    state.playerView = player.data();
    state.tapeCounterDisplay = tapeCounterDisplay.data();
    // 5. The transcript's fixed-width font (Menlo where installed), with
    //    the insertion-point colour of step 7.
    if (state.script) {
        styleTranscript(state.script);
        // Room for a whole line such as "   12.35  18:15:02  ctrl-shift-A".
        const QFontMetrics metrics(state.script->font());
        state.script->setMinimumWidth(metrics.horizontalAdvance(QString(34, QLatin1Char('0'))) +
                                      state.script->verticalScrollBar()->sizeHint().width() +
                                      2 * state.script->frameWidth() + 8);
    }
    // 6.
    state.markDisplay = markDisplay.data();
    state.excursionDisplay = excursionDisplay.data();
    state.backButton = backButton.data();
    state.aheadButton = aheadButton.data();
    state.gotoField = gotoField.data();
    // 7. Done by styleTranscript in step 5.
    // 8. The help page, from the resource folder. Without that folder there
    // is no help and no placeholder video: say so once, rather than start
    // a stopwatch that does not run.
    if (resourcePath().isEmpty())
        showAlert(QStringLiteral("Program resources"),
                  QStringLiteral("The program's resources (the placeholder video and the help "
                                 "page) were not found beside it in “%1”.\n\n"
                                 "Reinstall the program.")
                      .arg(QCoreApplication::applicationDirPath()));
    if (helpView)
        helpView->setSource(
            QUrl::fromLocalFile(resourcePath() + QStringLiteral("/help/index.html")));
    // 9. The go-to field takes the focus only when clicked.
    if (gotoField)
        gotoField->setFocusPolicy(Qt::ClickFocus);
    // 10. Keys go to the player view from the start.
    if (state.playerView)
        state.playerView->setFocus(Qt::OtherFocusReason);
    // 11. The transcript or video asked for before launch finished, else
    //     stopwatch mode (also when the transcript could not be reopened).
    if (!deferredTranscript.isEmpty() &&
        reopenTranscript(deferredTranscript, deferredLoadVideo, window)) {
        deferredTranscript.clear();
        deferredLoadVideo.clear();
    } else if (deferredLoadVideo.isEmpty()) {
        stopwatchMode();
    } else {
        openVideoPath(deferredLoadVideo);
        deferredLoadVideo.clear();
    }
    // 12. Place, show and activate the window.
    if (window) {
        notQuiteCenter(window);
        window->show();
        window->raise();
        window->activateWindow();
    }
    // 13. Until the counter's first refresh.
    if (state.tapeCounterDisplay)
        state.tapeCounterDisplay->setText(QStringLiteral("99.99"));
    // 14. The counter refresher runs for the life of the process.
    tapeCounter();
    // 15. The hop buttons carry the hop size.
    relabelHopButtons();
    // 16. Home returns to the mark (the dot); zero to the start.
    if (homeButton)
        homeButton->setText(tapeSymbols().dot);
    if (zeroButton)
        zeroButton->setText(tapeSymbols().home);
    // 17. Print settings: the transcript prints at its own size, scale 1.0
    //     (printTranscript keeps its point sizes).
    // 18. The surround of the controls box.
    if (controlsBox && controlsBox->parentWidget()) {
        QWidget* surround = controlsBox->parentWidget();
        QPalette p = surround->palette();
        p.setColor(QPalette::Window, QColor::fromRgbF(0.2f, 0.2f, 0.2f, 0.8f));
        p.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
        surround->setPalette(p);
        surround->setAutoFillBackground(true);
    }
    // 19. The fill of the controls box: brushed metal on 1 April before noon.
    if (controlsBox) {
        QPalette p = controlsBox->palette();
        QBrush fill(QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.8f));
        if (aprilFools()) {
            const QPixmap metal(resourcePath() + QStringLiteral("/brushed-metal.jpg"));
            if (!metal.isNull())
                fill = QBrush(metal);
        }
        p.setBrush(QPalette::Window, fill);
        p.setColor(QPalette::WindowText, Qt::black);
        controlsBox->setPalette(p);
        controlsBox->setAutoFillBackground(true);
        // 20.
        controlsBox->update();
    }
    // 21. From now on open requests load at once.
    state.didFinishLaunching = true;
}

bool AppDelegate::applicationOpenFile(const QString& path) {
    if (looksLikeTranscript(path)) {
        if (!savedState().didFinishLaunching)
            deferredTranscript = path;
        else
            reopenTranscript(path, QString(), window);
        return true;
    }
    if (!savedState().didFinishLaunching) {
        deferredLoadVideo = path;
        return true;
    }
    // The session of the current video ends here. A transcript that could
    // not be written stays with its video rather than run on into the next.
    if (!saveAndClearScript())
        return true;
    openVideoPath(path);
    return true;
}

bool AppDelegate::applicationWillTerminate() {
    return saveAndClearScript();
}

bool AppDelegate::applicationShouldTerminate() {
    if (terminating_)
        return true;
    if (savingAtQuit_) {
        // Asked again while the save's alert is up: end once it is dismissed.
        quitAskedDuringSave_ = true;
        return false;
    }
    savingAtQuit_ = true;
    quitAskedDuringSave_ = false;
    const bool saved = applicationWillTerminate();
    savingAtQuit_ = false;
    if (saved || saveFailedAtQuit_ == successfulSaves() || quitAskedDuringSave_) {
        terminating_ = true;
        return true;
    }
    // The alert has told the user; the transcript stays on screen so that it
    // can be printed or copied, and the next Quit ends the program unless a
    // save succeeded in between (then a failure keeps the window once more).
    saveFailedAtQuit_ = successfulSaves();
    return false;
}
