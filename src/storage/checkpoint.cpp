#include "storage/checkpoint.h"

#include "platform/alert.h"
#include "platform/date_format.h"
#include "session/state.h"
#include "storage/disk_worker.h"
#include "storage/file_writer.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"

#include <QCoreApplication>
#include <QSet>
#include <QTimer>

#include <mutex>

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

// How the disk worker's publications went since they were last taken up.
struct Mailbox {
    std::mutex lock;
    int published = 0;
    int failed = 0;
};

Mailbox& mailbox() {
    static Mailbox box;
    return box;
}

constexpr int kCollectMs = 20;
bool collectScheduled = false;

// Takes up the publications: each one that failed raises the alert.
void collect() {
    int published = 0, failed = 0;
    {
        std::lock_guard<std::mutex> hold(mailbox().lock);
        std::swap(published, mailbox().published);
        std::swap(failed, mailbox().failed);
    }
    for (; published > 0; --published)
        countSuccessfulSave();
    for (; failed > 0; --failed)
        showAlert(QStringLiteral("Data Save"), checkpointFailureText());
}

void scheduleCollect() {
    if (collectScheduled || !QCoreApplication::instance())
        return;
    collectScheduled = true;
    QTimer::singleShot(kCollectMs, QCoreApplication::instance(), [] {
        collectScheduled = false;
        collect();
        if (!diskWorker().idle())
            scheduleCollect();
    });
}

} // namespace

QString checkpointFileName(const QString& loadStamp, const QString& namePart,
                           const QString& checkpointTime) {
    return checkpointStem(loadStamp, namePart, checkpointTime) + QStringLiteral(".txt");
}

void checkpointFile() {
    const stateDef& state = savedState();
    const QString stamp = formatDate(state.loadTime, kLoadStampPattern);
    const QString time = formatDate(QDateTime::currentDateTime(), QStringLiteral("HH.mm.ss"));
    const QString stem = checkpointStem(stamp, namePartOf(state.vidBasename), time);
    const QString text = transcriptText();
    const QString folder = storageURL().toLocalFile();

    SessionCheckpoints& own = written();
    if (own.loadTime != state.loadTime || own.vidBasename != state.vidBasename)
        own = SessionCheckpoints{state.loadTime, state.vidBasename, {}};

    collect();
    const StagedFile staged = stageWithoutClobbering(folder, stem, text.toUtf8(), own.paths);
    if (staged.path.isEmpty()) {
        showAlert(QStringLiteral("Data Save"), checkpointFailureText());
        return;
    }
    own.paths.insert(staged.path);
    diskWorker().post([staged] {
        const bool published = publishStaged(staged);
        std::lock_guard<std::mutex> hold(mailbox().lock);
        ++(published ? mailbox().published : mailbox().failed);
    });
    scheduleCollect();
}

void waitForCheckpoints() {
    diskWorker().drain();
    collect();
}

void forgetCheckpoints() {
    written() = SessionCheckpoints{};
}
