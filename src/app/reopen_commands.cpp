#include "app/app_delegate.h"

#include "app/main_window.h"
#include "app/playhead_mark.h"
#include "app/reopen.h"
#include "session/line_edits.h"
#include "session/state.h"
#include "storage/storage_folder.h"
#include "transport/player_view.h"

#include <QAction>
#include <QBoxLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>

// File > Open Transcript… and the corrections of the Edit menu. None of them
// takes a key from the recorder: Open Transcript has no shortcut, and the
// corrections' keys work only while the transcript view has the focus, where
// keys are typed, not recorded.

void AppDelegate::addReopenCommands() {
    QMenuBar* bar = window->menuBar();
    QMenu* file = window->findChild<QMenu*>(QStringLiteral("menuFile"));
    if (file) {
        auto* open = new QAction(QStringLiteral("Open Transcript…"), file);
        open->setObjectName(QStringLiteral("actionOpenTranscript"));
        QAction* before = window->findChild<QAction*>(QStringLiteral("actionSaveCheckpoint"));
        file->insertAction(before, open);
        connect(open, &QAction::triggered, this, &AppDelegate::onMenuOpenTranscript);
    }
    if (player)
        player->transcriptDropped = [this](const QString& path) {
            reopenTranscript(path, QString(), window);
        };
    QPlainTextEdit* view = scrollViewContainingTranscript;
    if (!bar || !view)
        return;
    new PlayheadMark(view, player, this);
    auto* edit = new QMenu(QStringLiteral("Edit"), bar);
    edit->setObjectName(QStringLiteral("menuEdit"));
    QAction* videoMenu = bar->actions().value(1);
    bar->insertMenu(videoMenu, edit);
    const struct {
        const char* name;
        const char* text;
        QKeySequence keys;
        std::function<void()> run;
    } commands[] = {
        {"actionUndo", "Undo", QKeySequence::Undo, [view] { view->undo(); }},
        {"actionRedo", "Redo", QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
         [view] { view->redo(); }},
        {"actionDeleteLines", "Delete Lines", QKeySequence(QStringLiteral("Ctrl+Shift+K")),
         [this] { onMenuDeleteLines(); }},
        {"actionSetLineTime", "Set Line to Current Time", QKeySequence(QStringLiteral("Ctrl+T")),
         [this] { onMenuSetLineTime(); }},
    };
    for (const auto& c : commands) {
        auto* action = new QAction(QString::fromUtf8(c.text), view);
        action->setObjectName(QLatin1String(c.name));
        action->setShortcut(c.keys);
        // Only while the transcript view has the focus: elsewhere the keys
        // are the recorder's.
        action->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(action);
        edit->addAction(action);
        connect(action, &QAction::triggered, this, c.run);
    }
}

void AppDelegate::makeTranscriptResizable() {
    // A splitter between the picture and the strip below it: dragged up, the
    // transcript shows more lines (the window fitting still sizes the
    // picture, and the strip keeps its height when the window is resized).
    auto* column = vidAndControls ? qobject_cast<QBoxLayout*>(vidAndControls->layout()) : nullptr;
    auto* strip = window->findChild<QBoxLayout*>(QStringLiteral("bottomStrip"));
    if (!column || !strip || !player)
        return;
    const int playerAt = column->indexOf(player.data());
    const int stripAt = column->indexOf(static_cast<QLayoutItem*>(strip));
    if (playerAt < 0 || stripAt <= playerAt)
        return;
    column->takeAt(stripAt); // the strip itself
    // The picture and what lies between it and the strip (the timeline) make
    // the upper pane, in their order.
    auto* top = new QWidget;
    top->setObjectName(QStringLiteral("pictureWidget"));
    auto* upper = new QVBoxLayout(top);
    upper->setContentsMargins(0, 0, 0, 0);
    upper->setSpacing(column->spacing());
    for (int i = playerAt; i < stripAt; ++i) {
        QLayoutItem* item = column->takeAt(playerAt);
        if (QWidget* w = item->widget())
            upper->addWidget(w, w == player.data() ? 1 : 0);
        delete item; // the widget stays
    }
    auto* bottom = new QWidget;
    bottom->setObjectName(QStringLiteral("bottomStripWidget"));
    strip->setParent(nullptr);
    bottom->setLayout(strip);
    if (controlsBox)
        strip->setAlignment(controlsBox, Qt::AlignTop);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setObjectName(QStringLiteral("transcriptSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(top);
    splitter->addWidget(bottom);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    column->insertWidget(playerAt, splitter, 1);
}

void AppDelegate::onMenuOpenTranscript() {
    if (lastTranscriptFolder_.isEmpty())
        lastTranscriptFolder_ = storageURL().toLocalFile();
    const QString path = QFileDialog::getOpenFileName(
        window, QStringLiteral("Open Transcript"), lastTranscriptFolder_,
        QStringLiteral("Transcripts (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    lastTranscriptFolder_ = QFileInfo(path).absolutePath();
    reopenTranscript(QFileInfo(path).absoluteFilePath(), QString(), window);
}

void AppDelegate::onMenuDeleteLines() {
    if (scrollViewContainingTranscript)
        deleteSelectedLines(scrollViewContainingTranscript);
}

void AppDelegate::onMenuSetLineTime() {
    Player* p = player ? player->player() : nullptr;
    if (scrollViewContainingTranscript && p)
        setLineTime(scrollViewContainingTranscript, p->currentTime());
}
