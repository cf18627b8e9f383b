#include "storage/journal.h"

#include "session/state.h"
#include "session/transcript.h"
#include "storage/disk_worker.h"
#include "storage/file_writer.h"
#include "storage/journal_files.h"
#include "storage/status_remark.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace {

constexpr qint64 kSyncIntervalMs = 1000;
constexpr qint64 kRetryIntervalMs = 1000;

struct JournalState {
    int fd = -1;
    // The current session's journal: its file (empty path when none could be
    // made) and every line recorded in the session, as recorded.
    JournalFile current;
    // The session the journal belongs to.
    bool haveSession = false;
    QDateTime loadTime;
    QString vidBasename;
    // The journal could not be written; it tries again at a later line.
    bool failed = false;
    QElapsedTimer sinceFailure;
    // Journals of earlier sessions since the last save.
    QList<JournalFile> earlier;
    bool unsynced = false;
    bool syncScheduled = false;
    QElapsedTimer sinceSync;
    // Changes whenever the open file changes, so that a late answer of the
    // disk worker about an earlier file is not taken for the current one.
    std::uint64_t generation = 0;
    // The disk worker is creating the session's file (see createLater()).
    bool creating = false;
};

JournalState& journal() {
    static JournalState state;
    return state;
}

void fail();
void adopt(int fd, const JournalFile& file, std::uint64_t generation);

// What a sync found, taken up on the user-interface thread.
void takeUpSync(std::uint64_t generation, bool synced, bool recovery, const QString& renamedFrom,
                const QString& renamedTo) {
    JournalState& j = journal();
    if (!renamedFrom.isEmpty()) {
        if (j.current.path == renamedFrom)
            j.current.path = renamedTo;
        for (JournalFile& file : j.earlier) {
            if (file.path == renamedFrom)
                file.path = renamedTo;
        }
    }
    if (generation != j.generation)
        return;
    if (!synced) {
        fail();
    } else if (recovery && j.failed) {
        j.failed = false;
        showStatusRemark(journalRecoveryRemark(), journalFailureRemark());
    }
}

// Syncs the lines written so far on the disk worker; a failure (a full disk
// may report itself only here) comes back to fail(). For a recovered
// journal, the sync is followed by taking the failed file's name.
void syncLater(bool recovery = false, const JournalFile& stale = {}) {
    JournalState& j = journal();
    if (j.fd < 0 || (!j.unsynced && !recovery))
        return;
    j.unsynced = false;
    j.sinceSync.start();
    const int copy = ::dup(j.fd);
    if (copy < 0)
        return;
    const std::uint64_t generation = j.generation;
    const QString path = j.current.path;
    diskWorker().postWithResult([copy, generation, recovery, path, stale] {
        const bool synced = ::fdatasync(copy) == 0 || errno == EINVAL;
        ::close(copy);
        const bool renamed = synced && recovery && isStillOurs(stale) &&
                             ::rename(QFile::encodeName(path).constData(),
                                      QFile::encodeName(stale.path).constData()) == 0;
        if (recovery)
            (void)syncFolder(QFileInfo(path).path());
        const QString from = renamed ? path : QString(), to = renamed ? stale.path : QString();
        return [=] { takeUpSync(generation, synced, recovery, from, to); };
    });
}

// Lets go of the open file: its last sync and its close run on the worker.
void closeJournal() {
    JournalState& j = journal();
    if (j.fd < 0)
        return;
    const int fd = j.fd;
    j.fd = -1;
    ++j.generation;
    j.unsynced = false;
    diskWorker().post([fd] {
        (void)::fdatasync(fd); // a journal that is let go reports nothing
        ::close(fd);
    });
}

// Closes and removes, on the disk worker, a created file that is not used.
void discardLater(int fd, const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    diskWorker().post([fd, native] {
        ::close(fd);
        ::unlink(native.constData());
    });
}

void fail() {
    JournalState& j = journal();
    closeJournal();
    j.sinceFailure.start();
    if (j.failed)
        return;
    j.failed = true;
    showStatusRemark(journalFailureRemark(), journalRecoveryRemark());
}

// Syncs the tail of a burst of lines a second after it was written.
void scheduleSync() {
    JournalState& j = journal();
    if (j.syncScheduled || !QCoreApplication::instance())
        return;
    j.syncScheduled = true;
    QTimer::singleShot(kSyncIntervalMs, QCoreApplication::instance(), [] {
        journal().syncScheduled = false;
        syncLater();
    });
}

// Takes up the file the disk worker made (or its failure to make one) and
// writes into it every line recorded so far. After a failure the new file
// takes the failed one's place, so the session keeps one journal with all
// its lines.
void adopt(int fd, const JournalFile& file, std::uint64_t generation) {
    JournalState& j = journal();
    if (generation != j.generation || !j.creating) {
        if (fd >= 0)
            discardLater(fd, file.path); // asked for by a journal since let go: no line in it
        return;
    }
    j.creating = false;
    if (fd < 0) {
        fail();
        return;
    }
    JournalFile fresh = file;
    fresh.lines = j.current.lines;
    QByteArray lines;
    for (const QString& line : std::as_const(fresh.lines))
        lines += (line + QLatin1Char('\n')).toUtf8();
    if (!writeAll(fd, lines)) {
        discardLater(fd, file.path);
        fail();
        return;
    }
    // The failed file stays tracked until the new one has taken its name, so
    // that it is settled (removed or kept) even if the new one fails too.
    const JournalFile stale = j.current;
    if (!stale.path.isEmpty())
        j.earlier.append(stale);
    j.current = fresh;
    j.fd = fd;
    j.unsynced = true;
    // After a failure, protected again once the new file is on disk; it then
    // takes the failed file's name.
    syncLater(j.failed, stale);
}

// Makes the session's journal from scratch: asks the disk worker for a new
// file holding the header, and returns at once. The lines recorded until its
// answer is taken up wait in current.lines; adopt() writes them all.
void createLater() {
    JournalState& j = journal();
    const SessionFiles names = currentSessionFiles();
    const QString folder = storageFolderPath();
    const std::uint64_t generation = ++j.generation;
    const bool recovery = j.failed;
    j.creating = true;
    diskWorker().postWithResult([generation, names, folder, recovery] {
        JournalFile file;
        const int fd = createJournalFile(folder, names.stem, names.header, &file);
        // A folder that cannot be synced still holds the journal; a save then
        // keeps it rather than trusting the folder. A recovered journal syncs
        // the folder once it has taken the failed one's name.
        if (fd >= 0 && !recovery)
            (void)syncFolder(folder);
        return [=] { adopt(fd, file, generation); };
    });
}

} // namespace

void installJournal() {
    setTranscriptListener(journalLine);
}

void journalLine(const QString& line) {
    diskWorker().deliver(); // a file made meanwhile takes this line at once
    JournalState& j = journal();
    const stateDef& state = savedState();
    if (!j.haveSession || j.loadTime != state.loadTime || j.vidBasename != state.vidBasename) {
        if (j.creating)
            waitForJournal(); // the old session's file, before the session is let go
        closeJournal();
        if (!j.current.path.isEmpty())
            j.earlier.append(j.current);
        j.current = JournalFile{};
        j.haveSession = true;
        j.loadTime = state.loadTime;
        j.vidBasename = state.vidBasename;
        j.failed = false;
        j.current.lines.append(line);
        createLater();
        return;
    }
    j.current.lines.append(line);
    if (j.fd < 0) {
        if (!j.creating && j.sinceFailure.elapsed() >= kRetryIntervalMs)
            createLater();
        return;
    }
    if (!writeAll(j.fd, (line + QLatin1Char('\n')).toUtf8())) {
        fail();
        return;
    }
    j.unsynced = true;
    if (!j.sinceSync.isValid() || j.sinceSync.elapsed() >= kSyncIntervalMs) {
        syncLater();
    } else {
        scheduleSync();
    }
}

void waitForJournal() {
    // Taking up an answer can queue more work (a new file's syncs).
    do {
        diskWorker().drain();
    } while (!diskWorker().idle());
}

void settleJournals(const QString& savedText, bool savedDurably) {
    JournalState& j = journal();
    waitForJournal(); // a file still being created is taken up first
    closeJournal();
    waitForJournal();
    QList<JournalFile> files = j.earlier;
    if (!j.current.path.isEmpty())
        files.append(j.current);
    j.earlier.clear();
    j.current = JournalFile{};
    j.haveSession = false;
    j.failed = false;
    if (files.isEmpty())
        return;
    const QString folder = QFileInfo(files.constFirst().path).path();
    for (const JournalFile& file : std::as_const(files)) {
        if (savedDurably && holdsAllLines(savedText, file.lines)) {
            if (isStillOurs(file))
                QFile::remove(file.path);
        } else {
            keepAsDiscarded(file);
        }
    }
    syncFolder(folder);
}

QString journalPath() {
    const JournalState& j = journal();
    return j.fd >= 0 ? j.current.path : QString();
}
