#include "app/reopen.h"

#include "platform/alert.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/revision.h"
#include "storage/revision_file.h"
#include "storage/transcript_file.h"
#include "transport/find_video.h"
#include "transport/open_file.h"
#include "transport/player_view.h"
#include "transport/seek.h"
#include "transport/stopwatch.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace {

VideoQuestion& question() {
    static VideoQuestion q;
    return q;
}

QString askForVideo(const QString& videoName, const QString& folder, QWidget* parent) {
    if (question())
        return question()(videoName, folder);
    QStringList patterns;
    for (const QString& ext : videoExtensions())
        patterns << QStringLiteral("*.") + ext;
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Where is the video “%1”?").arg(videoName), folder,
        QStringLiteral("Videos (%1);;All files (*)").arg(patterns.join(QLatin1Char(' '))));
}

bool isStopwatch(const ReopenedTranscript& t) {
    return t.videoName == QLatin1String("stopwatch") && t.namePart == QLatin1String("stopwatch");
}

// Corrections reach the revision checkpoint; one watch per view's document.
void watchChanges(QPlainTextEdit* view) {
    QTextDocument* doc = view->document();
    if (doc->property("reopenWatch").toBool())
        return;
    doc->setProperty("reopenWatch", true);
    QObject::connect(doc, &QTextDocument::contentsChanged, doc, [] { noteReopenedChange(); });
}

} // namespace

void setVideoQuestion(VideoQuestion q) {
    question() = std::move(q);
}

bool inReopenedSession() {
    return reopenedSession() != nullptr;
}

bool reopenTranscript(const QString& path, const QString& videoPath, QWidget* dialogParent) {
    TranscriptRead read = readTranscriptFile(path);
    if (!read.transcript) {
        showAlert(QStringLiteral("Reopen Transcript"),
                  QStringLiteral("“%1” cannot be reopened.\n\n%2")
                      .arg(QFileInfo(path).fileName(), read.problem));
        return false;
    }
    const ReopenedTranscript& t = *read.transcript;
    QString video = videoPath;
    const bool stopwatch = video.isEmpty() && isStopwatch(t);
    if (video.isEmpty() && !stopwatch) {
        const QString beside = QFileInfo(t.path).absolutePath();
        video = findVideo(t.videoName, {beside, lastVideoFolder()});
        if (video.isEmpty())
            video =
                askForVideo(t.videoName, lastVideoFolder().isEmpty() ? beside : lastVideoFolder(),
                            dialogParent);
        if (video.isEmpty())
            return false;
        video = QFileInfo(video).absoluteFilePath();
    }
    // The current session ends as when a video is opened.
    if (!saveAndClearScript())
        return false;

    stateDef& state = savedState();
    if (stopwatch)
        stopwatchMode();
    else
        openVideoPath(video);
    setTranscriptLines(t.lines);
    setReopenedSession(ReopenedSession{t, QString(), QString(), false});
    setTimeOrderedInsertion(true);
    if (state.script) {
        // Every change of a reopened session can be undone, recorded lines
        // included; the history ends with the session.
        state.script->setUndoRedoEnabled(true);
        watchChanges(state.script);
    }
    // Where coding stopped: the last time-stamped line.
    if (const auto last = lastLineTime())
        seekToTime(*last);
    if (state.playerView)
        state.playerView->setFocus(Qt::OtherFocusReason);
    if (state.window) {
        state.window->raise();
        state.window->activateWindow();
    }
    return true;
}
