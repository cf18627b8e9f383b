#include "storage/journal.h"

#include "platform/date_format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/disk_worker.h"
#include "storage/file_writer.h"
#include "storage/journal_files.h"
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
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kSyncIntervalMs = 1000;
constexpr qint64 kRetryIntervalMs = 1000;
constexpr int kCollectMs = 20;
constexpr int kMaxCandidates = 1000;
constexpr int kDiscardedKept = 10;

// A journal file and the lines recorded into it; the inode tells that the
// name still holds the file the journal created.
struct JournalFile {
    QString path;
    dev_t device = 0;
    ino_t inode = 0;
    QStringList lines;
};

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
    bool collectScheduled = false;
    // The disk worker is creating the session's file (see createLater()).
    bool creating = false;
};

// What the disk worker found, read on the user-interface thread.
struct SyncResult {
    std::uint64_t generation;
    bool synced;
    bool recovery;
    QString renamedFrom, renamedTo; // a recovered journal took the failed one's name
};

// The file the disk worker created for a journal: fd is -1 when none could be
// made; file holds no line yet.
struct Created {
    std::uint64_t generation;
    int fd;
    JournalFile file;
};

struct Mailbox {
    std::mutex lock;
    std::vector<SyncResult> results;
    std::vector<Created> created;
};

Mailbox& mailbox() {
    static Mailbox box;
    return box;
}

void deliver(SyncResult result) {
    std::lock_guard<std::mutex> hold(mailbox().lock);
    mailbox().results.push_back(std::move(result));
}

void deliver(Created created) {
    std::lock_guard<std::mutex> hold(mailbox().lock);
    mailbox().created.push_back(std::move(created));
}

JournalState& journal() {
    static JournalState state;
    return state;
}

bool isStillOurs(const JournalFile& file) {
    struct stat st {};
    return !file.path.isEmpty() && ::lstat(QFile::encodeName(file.path).constData(), &st) == 0 &&
           S_ISREG(st.st_mode) && st.st_dev == file.device && st.st_ino == file.inode;
}

void scheduleCollect();

// Syncs the lines written so far on the disk worker; a failure (a full disk
// may report itself only here) reaches fail() through the mailbox. For a
// recovered journal, the sync is followed by taking the failed file's name.
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
    diskWorker().post([copy, generation, recovery, path, stale] {
        const bool synced = ::fdatasync(copy) == 0 || errno == EINVAL;
        ::close(copy);
        SyncResult result{generation, synced, recovery, {}, {}};
        if (synced && recovery && isStillOurs(stale) &&
            ::rename(QFile::encodeName(path).constData(),
                     QFile::encodeName(stale.path).constData()) == 0) {
            result.renamedFrom = path;
            result.renamedTo = stale.path;
        }
        if (recovery)
            (void)syncFolder(QFileInfo(path).path());
        deliver(std::move(result));
    });
    scheduleCollect();
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
void discardLater(const Created& created) {
    const int fd = created.fd;
    const QByteArray native = QFile::encodeName(created.file.path);
    diskWorker().post([fd, native] {
        ::close(fd);
        ::unlink(native.constData());
    });
}

// Puts remark at the end of the status line in place of the other remark.
void showRemark(const QString& remark, const QString& other) {
    QLabel* status = savedState().tbTextBlock;
    if (!status)
        return;
    QString text = status->text();
    for (const QString& old : {remark, other}) {
        if (text.endsWith(old))
            text.chop(old.size());
    }
    status->setText(text + remark);
}

void fail() {
    JournalState& j = journal();
    closeJournal();
    j.sinceFailure.start();
    if (j.failed)
        return;
    j.failed = true;
    showRemark(journalFailureRemark(), journalRecoveryRemark());
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

// On the disk worker: makes the storage folder where missing, creates a
// journal named from stem under a free name there and writes its header.
// Returns the descriptor, or -1 (leaving no file behind).
int createJournal(const QString& stem, const QString& header, JournalFile* file) {
    if (!makeStorageFolder())
        return -1;
    const QDir folder(storageFolderPath());
    for (int n = 1; n <= kMaxCandidates; ++n) {
        const QString candidate = folder.filePath(numberedFileName(stem, n));
        const QByteArray native = QFile::encodeName(candidate);
        const int fd =
            ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !writeAll(fd, header.toUtf8())) {
            ::close(fd);
            ::unlink(native.constData());
            return -1;
        }
        file->path = candidate;
        file->device = st.st_dev;
        file->inode = st.st_ino;
        return fd;
    }
    return -1;
}

// Takes up the file the disk worker made (or its failure to make one) and
// writes into it every line recorded so far. After a failure the new file
// takes the failed one's place, so the session keeps one journal with all
// its lines.
void adopt(const Created& created) {
    JournalState& j = journal();
    j.creating = false;
    if (created.fd < 0) {
        fail();
        return;
    }
    JournalFile fresh = created.file;
    fresh.lines = j.current.lines;
    QByteArray lines;
    for (const QString& line : std::as_const(fresh.lines))
        lines += (line + QLatin1Char('\n')).toUtf8();
    if (!writeAll(created.fd, lines)) {
        discardLater(created);
        fail();
        return;
    }
    const JournalFile stale = j.current;
    j.current = fresh;
    j.fd = created.fd;
    j.unsynced = true;
    // After a failure, protected again once the new file is on disk; it then
    // takes the failed file's name.
    syncLater(j.failed, stale);
}

// Takes the disk worker's answers.
void collect() {
    std::vector<SyncResult> results;
    std::vector<Created> created;
    {
        std::lock_guard<std::mutex> hold(mailbox().lock);
        results.swap(mailbox().results);
        created.swap(mailbox().created);
    }
    JournalState& j = journal();
    for (const SyncResult& r : results) {
        if (!r.renamedFrom.isEmpty()) {
            if (j.current.path == r.renamedFrom)
                j.current.path = r.renamedTo;
            for (JournalFile& file : j.earlier) {
                if (file.path == r.renamedFrom)
                    file.path = r.renamedTo;
            }
        }
        if (r.generation != j.generation)
            continue;
        if (!r.synced) {
            fail();
        } else if (r.recovery && j.failed) {
            j.failed = false;
            showRemark(journalRecoveryRemark(), journalFailureRemark());
        }
    }
    for (const Created& c : created) {
        if (c.generation == j.generation && j.creating)
            adopt(c);
        else if (c.fd >= 0)
            discardLater(c); // asked for by a journal since let go: it holds no line
    }
}

void scheduleCollect() {
    JournalState& j = journal();
    if (j.collectScheduled || !QCoreApplication::instance())
        return;
    j.collectScheduled = true;
    QTimer::singleShot(kCollectMs, QCoreApplication::instance(), [] {
        journal().collectScheduled = false;
        collect();
        if (!diskWorker().idle() || journal().creating)
            scheduleCollect();
    });
}

// Makes the session's journal from scratch: asks the disk worker for a new
// file holding the header, and returns at once. The lines recorded until its
// answer is taken up wait in current.lines; adopt() writes them all.
void createLater() {
    JournalState& j = journal();
    const stateDef& state = savedState();
    const QString stem = transcriptStem(formatDate(state.loadTime, kLoadStampPattern),
                                        namePartOf(state.vidBasename)) +
                         QStringLiteral("--unsaved");
    const AVPlayerViewAcceptsDrop* view = state.playerView;
    const bool hasItem = view && view->player() && view->player()->hasCurrentItem();
    const QString header = transcriptHeader(formatDate(state.loadTime, kHeaderDatePattern),
                                            videoNameOf(state.vidBasename, hasItem));
    const std::uint64_t generation = ++j.generation;
    const bool recovery = j.failed;
    j.creating = true;
    diskWorker().post([generation, stem, header, recovery] {
        Created created{generation, -1, {}};
        created.fd = createJournal(stem, header, &created.file);
        const QString folder = QFileInfo(created.file.path).path();
        const bool made = created.fd >= 0;
        deliver(std::move(created));
        // A folder that cannot be synced still holds the journal; a save then
        // keeps it rather than trusting the folder. A recovered journal syncs
        // the folder once it has taken the failed one's name.
        if (made && !recovery)
            (void)syncFolder(folder);
    });
    scheduleCollect();
}

// Lets go of a journal whose lines a save may not hold: it is kept under a
// name that no session writes to.
void keepAsDiscarded(const JournalFile& file) {
    if (!isStillOurs(file))
        return;
    (void)renameWithoutClobbering(file.path, discardedStem(QFileInfo(file.path).fileName()));
}

} // namespace

QString journalFailureRemark() {
    return QStringLiteral("  \u2014 unsaved lines are not protected");
}

QString journalRecoveryRemark() {
    return QStringLiteral("  \u2014 unsaved lines are protected again");
}

void installJournal() {
    setTranscriptListener(journalLine);
}

void journalLine(const QString& line) {
    collect();
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
        collect();
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
    bool discarded = false;
    for (const JournalFile& file : std::as_const(files)) {
        if (savedDurably && holdsAllLines(savedText, file.lines)) {
            if (isStillOurs(file))
                QFile::remove(file.path);
        } else {
            keepAsDiscarded(file);
            discarded = true;
        }
    }
    if (discarded)
        pruneDiscardedJournals(folder, kDiscardedKept);
    syncFolder(folder);
}

QString journalPath() {
    const JournalState& j = journal();
    return j.fd >= 0 ? j.current.path : QString();
}
