#include "app/app_delegate.h"

#include "app/data_export.h"
#include "app/instances.h"
#include "app/main_window.h"
#include "app/segmented_control.h"
#include "session/state.h"
#include "storage/checkpoint.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"
#include "transport/goto_controller.h"
#include "transport/hops.h"
#include "transport/player_view.h"
#include "transport/rate.h"
#include "transport/seek.h"
#include "transport/stopwatch.h"
#include "transport/tape_counter.h"
#include "window/letterbox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTimer>

// The delegate's commands: tabs, the menu, toolbar and button actions, and
// the transport actions, each a short call into the part that does the work.

void AppDelegate::chooseView(qint64 index) {
    if (index < 0 || index > 2 || !tabView)
        return;
    tabView->setCurrentIndex(int(index));
}

void AppDelegate::printTranscript(QPrinter* printer) const {
    if (!scrollViewContainingTranscript)
        return;
    std::unique_ptr<QTextDocument> copy(scrollViewContainingTranscript->document()->clone());
    copy->setDefaultFont(scrollViewContainingTranscript->font());
    copy->print(printer);
}

void AppDelegate::onChooseView(SegmentedControl* sender) {
    if (!sender || sender->selectedSegment() < 0)
        return;
    Player* p = savedState().playerView ? savedState().playerView->player() : nullptr;
    if (!p) {
        chooseView(sender->selectedSegment());
        return;
    }
    const float rate = p->rate();
    chooseView(sender->selectedSegment());
    // Whatever the switch did to playback, the rate it had comes back once
    // the switch has been handled.
    QTimer::singleShot(0, p, [p, rate] { p->setRate(rate); });
}

void AppDelegate::onClearButton() {
    chooseView(0);
    // A transcript that could not be written stays with its session.
    if (!saveAndClearScript())
        return;
    stopwatchMode();
}

void AppDelegate::onMenuClear() {
    chooseView(0);
    if (!saveAndClearScript())
        return;
    stopwatchMode();
}

void AppDelegate::onFilesButton() {
    QDesktopServices::openUrl(storageURL());
}

void AppDelegate::onMenuShowFiles() {
    QDesktopServices::openUrl(storageURL());
}

void AppDelegate::onRateChoose(SegmentedControl* sender) {
    if (!sender || sender->selectedSegment() < 0)
        return;
    setRate(floatValue(sender->labelForSegment(sender->selectedSegment())));
}

void AppDelegate::onAnotherButton() {
    anotherInstance();
}

void AppDelegate::onMenuNewPlayer() {
    anotherInstance();
}

void AppDelegate::onMarkButton() {
    setMarkAtPlayhead();
}

void AppDelegate::onBackButton() {
    hopBack();
}

void AppDelegate::onHomeButton() {
    hopHome();
}

void AppDelegate::onAheadButton() {
    hopAhead();
}

void AppDelegate::onFinerButton() {
    hopFiner();
}

void AppDelegate::onCoarserButton() {
    hopCoarser();
}

void AppDelegate::onZeroButton() {
    seekToTime(0.0);
}

void AppDelegate::onResizeToolbarItem() {
    fixLetterbox(QStringLiteral("default"));
}

void AppDelegate::onMenuLarge() {
    fixLetterbox(QStringLiteral("up"));
}

void AppDelegate::onMenuSmall() {
    fixLetterbox(QStringLiteral("down"));
}

void AppDelegate::onMenuSaveCheckpoint() {
    checkpointFile();
}

void AppDelegate::onMenuExportData() {
    exportData();
}

void AppDelegate::onMenuHelp() {
    if (savedState().playerView && savedState().playerView->player())
        savedState().playerView->player()->setRate(0.0f);
    if (viewSelector)
        viewSelector->selectSegmentWithTag(2);
    chooseView(2);
}

void AppDelegate::onMenuOpen() {
    if (lastOpenFolder_.isEmpty())
        lastOpenFolder_ = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    const QString path = QFileDialog::getOpenFileName(
        window, QStringLiteral("Open Video"), lastOpenFolder_,
        QStringLiteral("Videos (*.mp4 *.m4v *.mov *.mkv *.webm *.avi *.mpg *.mpeg *.ts *.mts "
                       "*.m2ts *.wmv *.flv *.ogv *.3gp *.dv);;All files (*)"));
    if (path.isEmpty())
        return;
    lastOpenFolder_ = QFileInfo(path).absolutePath();
    applicationOpenFile(QFileInfo(path).absoluteFilePath());
}

void AppDelegate::onMenuPrint() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(window ? window->windowTitle() : QString());
    QPrintDialog dialog(&printer, window);
    dialog.setWindowTitle(QStringLiteral("Print Transcript"));
    if (dialog.exec() == QDialog::Accepted)
        printTranscript(&printer);
}

void AppDelegate::onMenuGoToTime() {
    if (!gotoField)
        return;
    if (tabView && tabView->currentIndex() != 0) {
        if (viewSelector)
            viewSelector->selectSegmentWithTag(0);
        chooseView(0);
    }
    gotoField->setFocus(Qt::ShortcutFocusReason);
    gotoField->selectAll();
}

void AppDelegate::onMenuQuit() {
    if (window && window->isVisible())
        window->close();
    else if (applicationShouldTerminate())
        QCoreApplication::quit();
}

void AppDelegate::onTerminationSignal(int) {
    onMenuQuit();
}
