#include "storage/checkpoint.h"

#include "platform/alert.h"
#include "platform/date_format.h"
#include "session/state.h"
#include "storage/disk_worker.h"
#include "storage/file_writer.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"

#include <QFileInfo>
#include <QLabel>
#include <QSet>

namespace {

// The checkpoint files the current session wrote, which its later
// checkpoints may replace.
struct SessionCheckpoints {
    QDateTime loadTime;
    QString vidBasename;
    QSet<QString> paths;
};

SessionCheckpoints& written() {
    static SessionCheckpoints files;
    return files;
}

QString checkpointStem(const QString& loadStamp, const QString& namePart,
                       const QString& checkpointTime) {
    return transcriptStem(loadStamp, namePart) + QStringLiteral("--checkpoint-at--") +
           checkpointTime;
}

QString checkpointFailureText() {
    return QStringLiteral("There was a problem while writing a file.\n"
                          "Short term, consider saving your work\n"
                          " by printing or by copy & paste.\n\n"
                          "After that, test that files can be created\n"
                          "in the Documents folder.");
}

// A checkpoint that did not reach the disk: said in the status line at once,
// and in an alert as soon as that takes no key meant for the recorder.
void checkpointFailed(const QString& path) {
    if (QLabel* status = savedState().tbTextBlock)
        status->setText(
            QStringLiteral("Checkpoint %1 could not be written").arg(QFileInfo(path).fileName()));
    showLateAlert(QStringLiteral("Data Save"), checkpointFailureText());
}

} // namespace

QString checkpointFileName(const QString& loadStamp, const QString& namePart,
                           const QString& checkpointTime) {
    return checkpointStem(loadStamp, namePart, checkpointTime) + QStringLiteral(".txt");
}

void checkpointFile() {
    const stateDef& state = savedState();
    const QString time = formatDate(QDateTime::currentDateTime(), QStringLiteral("HH.mm.ss"));
    const QString stem = currentSessionFiles().stem + QStringLiteral("--checkpoint-at--") + time;
    const QString text = transcriptText();
    const QString folder = storageURL().toLocalFile();

    SessionCheckpoints& own = written();
    if (own.loadTime != state.loadTime || own.vidBasename != state.vidBasename)
        own = SessionCheckpoints{state.loadTime, state.vidBasename, {}};

    const StagedFile staged =
        stageNewFile(folder, stem, QStringLiteral(".txt"), text.toUtf8(), own.paths);
    if (staged.path.isEmpty()) {
        showAlert(QStringLiteral("Data Save"), checkpointFailureText());
        return;
    }
    own.paths.insert(staged.path);
    diskWorker().postWithResult([staged]() -> DiskWorker::Result {
        if (publishStaged(staged).published)
            return [] { countSuccessfulSave(); };
        return [path = staged.path] { checkpointFailed(path); };
    });
}

void waitForCheckpoints() {
    diskWorker().drain();
}

void forgetCheckpoints() {
    written() = SessionCheckpoints{};
}
