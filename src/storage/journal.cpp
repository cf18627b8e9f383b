#include "storage/journal.h"

#include "platform/date_format.h"
#include "session/state.h"
#include "session/transcript.h"
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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kSyncIntervalMs = 1000;
constexpr qint64 kRetryIntervalMs = 1000;
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

bool isStillOurs(const JournalFile& file) {
    struct stat st {};
    return !file.path.isEmpty() && ::lstat(QFile::encodeName(file.path).constData(), &st) == 0 &&
           S_ISREG(st.st_mode) && st.st_dev == file.device && st.st_ino == file.inode;
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
        if (!syncNow())
            fail();
    });
}

// Creates a journal of the current session under a free name and writes its
// header. Returns the descriptor, or -1 (leaving no file behind).
int createJournal(JournalFile* file) {
    if (!makeStorageFolder())
        return -1;
    const stateDef& state = savedState();
    const QString stamp = formatDate(state.loadTime, kLoadStampPattern);
    const QString stem =
        transcriptStem(stamp, namePartOf(state.vidBasename)) + QStringLiteral("--unsaved");
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
        const AVPlayerViewAcceptsDrop* view = state.playerView;
        const bool hasItem = view && view->player() && view->player()->hasCurrentItem();
        const QString header = transcriptHeader(formatDate(state.loadTime, kHeaderDatePattern),
                                                videoNameOf(state.vidBasename, hasItem));
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

// Makes the session's journal from scratch: a new file holding the header
// and every line recorded so far. After a failure the new file takes the
// failed one's place, so the session keeps one journal with all its lines.
void openJournal() {
    JournalState& j = journal();
    JournalFile fresh;
    fresh.lines = j.current.lines;
    const int fd = createJournal(&fresh);
    if (fd < 0) {
        fail();
        return;
    }
    QByteArray lines;
    for (const QString& line : std::as_const(fresh.lines))
        lines += (line + QLatin1Char('\n')).toUtf8();
    const bool recovering = j.failed;
    if (!writeAll(fd, lines) || (recovering && ::fdatasync(fd) != 0 && errno != EINVAL)) {
        ::close(fd);
        ::unlink(QFile::encodeName(fresh.path).constData());
        fail();
        return;
    }
    if (isStillOurs(j.current) && ::rename(QFile::encodeName(fresh.path).constData(),
                                           QFile::encodeName(j.current.path).constData()) == 0)
        fresh.path = j.current.path;
    j.current = fresh;
    j.fd = fd;
    j.unsynced = !recovering;
    j.sinceSync.start();
    // A folder that cannot be synced still holds the journal; a save then
    // keeps it rather than trusting the folder.
    (void)syncFolder(QFileInfo(fresh.path).path());
    if (recovering) {
        j.failed = false;
        showRemark(journalRecoveryRemark(), journalFailureRemark());
    }
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
    JournalState& j = journal();
    const stateDef& state = savedState();
    if (!j.haveSession || j.loadTime != state.loadTime || j.vidBasename != state.vidBasename) {
        closeJournal();
        if (!j.current.path.isEmpty())
            j.earlier.append(j.current);
        j.current = JournalFile{};
        j.haveSession = true;
        j.loadTime = state.loadTime;
        j.vidBasename = state.vidBasename;
        j.failed = false;
        j.current.lines.append(line);
        openJournal();
        return;
    }
    j.current.lines.append(line);
    if (j.fd < 0) {
        if (j.sinceFailure.elapsed() >= kRetryIntervalMs)
            openJournal();
        return;
    }
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

void settleJournals(const QString& savedText, bool savedDurably) {
    JournalState& j = journal();
    closeJournal();
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
