#include "storage/journal.h"

#include "platform/date_format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/file_writer.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"
#include "transport/player_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 kSyncIntervalMs = 1000;
constexpr int kMaxCandidates = 1000;

struct JournalState {
    int fd = -1;
    QString path;
    // The session the open journal (or the failed attempt) belongs to.
    bool haveSession = false;
    QDateTime loadTime;
    QString vidBasename;
    bool failed = false;
    // Journals written since the last save, the open one included.
    QStringList kept;
    bool unsynced = false;
    bool syncScheduled = false;
    QElapsedTimer sinceSync;
};

JournalState& journal() {
    static JournalState state;
    return state;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

// Returns false when the lines written could not be made durable (a full
// disk may report itself only here).
bool syncNow() {
    JournalState& j = journal();
    bool synced = true;
    if (j.fd >= 0 && j.unsynced)
        synced = ::fdatasync(j.fd) == 0 || errno == EINVAL;
    j.unsynced = false;
    j.sinceSync.start();
    return synced;
}

void closeJournal() {
    JournalState& j = journal();
    if (j.fd < 0)
        return;
    (void)syncNow(); // a journal that is let go reports nothing
    ::close(j.fd);
    j.fd = -1;
    j.path.clear();
}

void fail();

// Syncs the tail of a burst of lines a second after it was written.
void scheduleSync() {
    JournalState& j = journal();
    if (j.syncScheduled || !QCoreApplication::instance())
        return;
    j.syncScheduled = true;
    QTimer::singleShot(kSyncIntervalMs, QCoreApplication::instance(), [] {
        journal().syncScheduled = false;
        if (!syncNow())
            fail();
    });
}

void fail() {
    JournalState& j = journal();
    closeJournal();
    if (j.failed)
        return;
    j.failed = true;
    QLabel* status = savedState().tbTextBlock;
    if (status && !status->text().endsWith(journalFailureRemark()))
        status->setText(status->text() + journalFailureRemark());
}

// Creates the journal of the current session under a free name and writes
// its header. Returns the descriptor, or -1.
int openJournal(QString* path) {
    if (!makeStorageFolder())
        return -1;
    const stateDef& state = savedState();
    const QString stamp = formatDate(state.loadTime, kLoadStampPattern);
    const QString stem =
        transcriptStem(stamp, namePartOf(state.vidBasename)) + QStringLiteral("--unsaved");
    const QDir folder(storageFolderPath());
    for (int n = 1; n <= kMaxCandidates; ++n) {
        const QString candidate = folder.filePath(numberedFileName(stem, n));
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        const AVPlayerViewAcceptsDrop* view = state.playerView;
        const bool hasItem = view && view->player() && view->player()->hasCurrentItem();
        const QString header = transcriptHeader(formatDate(state.loadTime, kHeaderDatePattern),
                                                videoNameOf(state.vidBasename, hasItem));
        journal().kept.append(candidate);
        if (!writeAll(fd, header.toUtf8())) {
            ::close(fd);
            return -1;
        }
        syncFolder(folder.path());
        *path = candidate;
        return fd;
    }
    return -1;
}

} // namespace

QString journalFailureRemark() {
    return QStringLiteral("  \u2014 unsaved lines are not protected");
}

void installJournal() {
    setTranscriptListener(journalLine);
}

void journalLine(const QString& line) {
    JournalState& j = journal();
    const stateDef& state = savedState();
    if (!j.haveSession || j.loadTime != state.loadTime || j.vidBasename != state.vidBasename) {
        closeJournal();
        j.haveSession = true;
        j.loadTime = state.loadTime;
        j.vidBasename = state.vidBasename;
        j.failed = false;
        j.fd = openJournal(&j.path);
        if (j.fd < 0) {
            fail();
            return;
        }
        j.unsynced = true;
    }
    if (j.fd < 0)
        return; // this session's journal failed; it was said once
    if (!writeAll(j.fd, (line + QLatin1Char('\n')).toUtf8())) {
        fail();
        return;
    }
    j.unsynced = true;
    if (!j.sinceSync.isValid() || j.sinceSync.elapsed() >= kSyncIntervalMs) {
        if (!syncNow())
            fail();
    } else {
        scheduleSync();
    }
}

void discardJournals() {
    JournalState& j = journal();
    closeJournal();
    if (j.kept.isEmpty()) {
        j.haveSession = false;
        return;
    }
    const QString folder = QFileInfo(j.kept.constFirst()).path();
    for (const QString& path : std::as_const(j.kept))
        QFile::remove(path);
    j.kept.clear();
    j.haveSession = false;
    j.failed = false;
    syncFolder(folder);
}

QString journalPath() {
    return journal().path;
}
