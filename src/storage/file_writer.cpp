#include "storage/file_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Try { Done, Taken, Failed };

// Tries each candidate of stem in folder until one is done or one fails for
// another reason than being taken.
QString firstCandidate(const QString& folder, const QString& stem, const QString& suffix,
                       const std::function<Try(const QString&)>& attempt) {
    const QDir dir(folder);
    for (int n = 1; n <= kMaxCandidates; ++n) {
        const QString path = dir.filePath(numberedFileName(stem, n, suffix));
        switch (attempt(path)) {
        case Try::Done:
            return path;
        case Try::Taken:
            continue;
        case Try::Failed:
            return QString();
        }
    }
    errno = EEXIST;
    return QString();
}

int openExclusive(const QString& path, int extraFlags) {
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | extraFlags, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// fsync(2), retried when interrupted; EINVAL (nothing to sync there) counts
// as synced.
bool syncDescriptor(int fd) {
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0 || errno == EINVAL;
}

// rename(2) that fails with EEXIST instead of replacing; falls back to a
// hard link and an unlink on file systems without RENAME_NOREPLACE.
int renameNoReplace(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (::link(from.constData(), to.constData()) != 0)
        return -1;
    ::unlink(from.constData());
    return 0;
}

// Writes content to a new hidden temporary beside staged.path.
bool stageContent(StagedFile& staged, const QByteArray& content) {
    const QFileInfo name(staged.path);
    const QString hidden = name.dir().filePath(QLatin1Char('.') + name.fileName());
    for (int n = 0; n < kMaxCandidates && staged.fd < 0; ++n) {
        staged.temporary =
            hidden + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                   QLatin1Char('0'));
        staged.fd = openExclusive(staged.temporary, 0);
        if (staged.fd < 0 && errno != EEXIST)
            break;
    }
    if (staged.fd >= 0 && writeAll(staged.fd, content))
        return true;
    if (staged.fd >= 0) {
        ::close(staged.fd);
        QFile::remove(staged.temporary);
    }
    if (staged.fresh)
        QFile::remove(staged.path);
    return false;
}

bool isPlainFile(const QString& path) {
    const QFileInfo existing(path);
    return existing.isFile() && !existing.isSymLink();
}

} // namespace

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

QString numberedFileName(const QString& stem, int n, const QString& suffix) {
    if (n <= 1)
        return stem + suffix;
    return stem + QStringLiteral("--") + QString::number(n) + suffix;
}

int createFreeName(const QString& folder, const QString& stem, const QString& suffix,
                   int extraFlags, QString* path) {
    int fd = -1;
    *path = firstCandidate(folder, stem, suffix, [&](const QString& candidate) {
        fd = openExclusive(candidate, extraFlags);
        return fd >= 0 ? Try::Done : errno == EEXIST ? Try::Taken : Try::Failed;
    });
    return path->isEmpty() ? -1 : fd;
}

QString renameToFreeName(const QString& path, const QString& stem, const QString& suffix) {
    const QByteArray from = QFile::encodeName(path);
    return firstCandidate(QFileInfo(path).path(), stem, suffix, [&](const QString& candidate) {
        if (renameNoReplace(from, QFile::encodeName(candidate)) == 0)
            return Try::Done;
        return errno == EEXIST ? Try::Taken : Try::Failed;
    });
}

StagedFile stageNewFile(const QString& folder, const QString& stem, const QString& suffix,
                        const QByteArray& content, const QSet<QString>& ownPaths) {
    StagedFile staged;
    staged.path = firstCandidate(folder, stem, suffix, [&](const QString& candidate) {
        if (ownPaths.contains(candidate) && isPlainFile(candidate))
            return Try::Done;
        const int fd = openExclusive(candidate, 0);
        if (fd < 0)
            return errno == EEXIST ? Try::Taken : Try::Failed;
        ::close(fd);
        staged.fresh = true;
        return Try::Done;
    });
    if (staged.path.isEmpty() || !stageContent(staged, content))
        return {};
    return staged;
}

StagedFile stageReplacement(const QString& path, const QByteArray& content) {
    StagedFile staged;
    staged.path = QFileInfo(path).absoluteFilePath();
    if (QFileInfo(staged.path).isSymLink() ||
        (QFileInfo::exists(staged.path) && !isPlainFile(staged.path))) {
        errno = EISDIR;
        return {};
    }
    if (!stageContent(staged, content))
        return {};
    return staged;
}

Publication publishStaged(const StagedFile& file) {
    Publication result;
    result.published = syncDescriptor(file.fd);
    ::close(file.fd);
    const QByteArray from = QFile::encodeName(file.temporary);
    result.published = result.published &&
                       ::rename(from.constData(), QFile::encodeName(file.path).constData()) == 0;
    if (!result.published) {
        const int saved = errno;
        ::unlink(from.constData());
        if (file.fresh)
            QFile::remove(file.path);
        errno = saved;
        return result;
    }
    result.folderSynced = syncFolder(QFileInfo(file.path).path());
    return result;
}

QString writeNewFile(const QString& folder, const QString& stem, const QString& suffix,
                     const QByteArray& content, bool* folderSynced, const QSet<QString>& ownPaths) {
    const StagedFile staged = stageNewFile(folder, stem, suffix, content, ownPaths);
    const Publication done = staged.path.isEmpty() ? Publication{} : publishStaged(staged);
    if (folderSynced)
        *folderSynced = done.folderSynced;
    return done.published ? staged.path : QString();
}

bool writeReplacement(const QString& path, const QByteArray& content, QString* error) {
    const StagedFile staged = stageReplacement(path, content);
    if (!staged.path.isEmpty() && publishStaged(staged).published)
        return true;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = syncDescriptor(fd);
    ::close(fd);
    return synced;
}
