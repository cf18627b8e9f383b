#include "storage/revision_file.h"

#include "platform/alert.h"
#include "platform/date_format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/checkpoint.h"
#include "storage/disk_worker.h"
#include "storage/file_writer.h"
#include "storage/journal.h"
#include "storage/revision.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <mutex>

namespace {

void writeRevisionCheckpoint();

QTimer* checkpointTimer() {
    static QPointer<QTimer> timer;
    if (!timer && QCoreApplication::instance()) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setInterval(kRevisionCheckpointDelayMs);
        QObject::connect(timer, &QTimer::timeout, [] { writeRevisionCheckpoint(); });
    }
    return timer;
}

// What the revision holds, and its stem (named when first written).
struct RevisionContent {
    QString stem;
    QByteArray bytes;
};

RevisionContent revisionContent(ReopenedSession& r, const QString& text) {
    if (r.madeStamp.isEmpty())
        r.madeStamp = formatDate(QDateTime::currentDateTime(), kLoadStampPattern);
    return {revisionStem(r.source.loadStamp, r.source.namePart, r.madeStamp),
            (revisionHeader(r.source.header, QFileInfo(r.source.path).fileName()) + text).toUtf8()};
}

void remark(const QString& text) {
    if (QLabel* status = savedState().tbTextBlock)
        status->setText(status->text() + text);
}

// The revision file's name as the disk worker claimed it. The worker writes
// it; the user-interface thread reads it only once the worker is drained.
struct ClaimedPath {
    std::mutex lock;
    QString path;
};

std::shared_ptr<ClaimedPath>& claimed() {
    static std::shared_ptr<ClaimedPath> path = std::make_shared<ClaimedPath>();
    return path;
}

// Takes the text here and leaves the whole write (claiming the name, writing,
// syncing, the rename) to the disk worker; a failure comes back as a queued
// call that the status line shows.
void writeRevisionCheckpoint() {
    ReopenedSession* r = reopenedSession();
    if (!r)
        return;
    const QString text = transcriptText();
    if (!r->checkpointed && text == r->source.lines)
        return;
    r->checkpointed = true;
    diskWorker().postWithResult([claim = claimed(), folder = storageURL().toLocalFile(),
                                 content = revisionContent(*r, text)]() -> DiskWorker::Result {
        std::lock_guard<std::mutex> hold(claim->lock);
        const QSet<QString> own =
            claim->path.isEmpty() ? QSet<QString>{} : QSet<QString>{claim->path};
        const StagedFile staged =
            stageNewFile(folder, content.stem, QStringLiteral(".txt"), content.bytes, own);
        bool published = !staged.path.isEmpty();
        if (published) {
            claim->path = staged.path;
            published = publishStaged(staged).published;
        }
        if (published)
            return {};
        return [] { remark(QStringLiteral("  \u2014 corrections are not saved yet")); };
    });
}

} // namespace

bool saveRevisionAndClear() {
    ReopenedSession* r = reopenedSession();
    if (!r)
        return false;
    if (QTimer* timer = checkpointTimer())
        timer->stop();
    // A checkpoint still on its way must not land after the revision.
    diskWorker().drain();
    {
        std::lock_guard<std::mutex> hold(claimed()->lock);
        r->revisionPath = claimed()->path;
    }
    const QString text = transcriptText();
    const QString folder = storageURL().toLocalFile();
    const bool writes = text != r->source.lines || !r->revisionPath.isEmpty();
    bool durable = false;
    if (writes) {
        const RevisionContent content = revisionContent(*r, text);
        const QString path = writeNewFile(
            folder, content.stem, QStringLiteral(".txt"), content.bytes, &durable,
            r->revisionPath.isEmpty() ? QSet<QString>{} : QSet<QString>{r->revisionPath});
        if (path.isEmpty()) {
            showAlert(QStringLiteral("Data Save"), dataSaveText());
            return false;
        }
        r->revisionPath = path;
    }
    setReopenedSession(std::nullopt);
    claimed() = std::make_shared<ClaimedPath>();
    setTimeOrderedInsertion(false);
    if (QPlainTextEdit* view = savedState().script) {
        view->setUndoRedoEnabled(false);
        view->clear();
    }
    settleJournals(writes ? text : QString(), durable);
    forgetCheckpoints();
    countSuccessfulSave();
    return true;
}

void noteReopenedChange() {
    if (!reopenedSession())
        return;
    if (QTimer* timer = checkpointTimer())
        timer->start();
}

void flushRevisionCheckpoint() {
    if (QTimer* timer = checkpointTimer())
        timer->stop();
    writeRevisionCheckpoint();
    diskWorker().drain();
}
