#include "storage/file_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

// Enough for every realistic pile-up of sessions within one second.
constexpr int kMaxCandidates = 1000;

// QSaveFile's commit() neither reports a short write when it flushes its
// buffer (a full disk) nor a failed sync, so both are checked here first.
bool saveWhole(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        file.commit(); // removes the temporary file
        return false;
    }
    return file.commit();
}

// Opens path for writing, creating it; -1 (errno set) when anything exists
// at it or it cannot be made.
int createExclusive(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

enum class Claim { Claimed, Taken, Failed };

// Creates path empty, failing when anything exists at it.
Claim claim(const QString& path) {
    const int fd = createExclusive(path);
    if (fd < 0)
        return errno == EEXIST ? Claim::Taken : Claim::Failed;
    ::close(fd);
    return Claim::Claimed;
}

struct Name {
    QString path;
    bool fresh; // claimed now, rather than a file of ownPaths
};

// The first candidate name of stem in folder that is free (claimed with an
// empty file) or one of ownPaths.
std::optional<Name> claimName(const QString& folder, const QString& stem,
                              const QSet<QString>& ownPaths) {
    const QDir dir(folder);
    for (int n = 1; n <= kMaxCandidates; ++n) {
        const QString path = dir.filePath(numberedFileName(stem, n));
        const QFileInfo existing(path);
        if (ownPaths.contains(path) && existing.isFile() && !existing.isSymLink())
            return Name{path, false};
        switch (claim(path)) {
        case Claim::Taken:
            continue;
        case Claim::Failed:
            return std::nullopt;
        case Claim::Claimed:
            return Name{path, true};
        }
    }
    return std::nullopt;
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

QString numberedFileName(const QString& stem, int n) {
    if (n <= 1)
        return stem + QStringLiteral(".txt");
    return stem + QStringLiteral("--") + QString::number(n) + QStringLiteral(".txt");
}

QString writeWithoutClobbering(const QString& folder, const QString& stem,
                               const QByteArray& content, const QSet<QString>& ownPaths) {
    const std::optional<Name> name = claimName(folder, stem, ownPaths);
    if (!name)
        return QString();
    if (saveWhole(name->path, content))
        return name->path;
    if (name->fresh)
        QFile::remove(name->path); // the empty file claimed above
    return QString();
}

StagedFile stageWithoutClobbering(const QString& folder, const QString& stem,
                                  const QByteArray& content, const QSet<QString>& ownPaths) {
    const std::optional<Name> name = claimName(folder, stem, ownPaths);
    if (!name)
        return {};
    StagedFile staged{name->path, QString(), -1, name->fresh};
    const QString hidden =
        QDir(folder).filePath(QLatin1Char('.') + QFileInfo(name->path).fileName());
    for (int n = 0; n < kMaxCandidates && staged.fd < 0; ++n) {
        staged.temporary =
            hidden + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                   QLatin1Char('0'));
        staged.fd = createExclusive(staged.temporary);
        if (staged.fd < 0 && errno != EEXIST)
            break;
    }
    if (staged.fd >= 0 && writeAll(staged.fd, content))
        return staged;
    if (staged.fd >= 0) {
        ::close(staged.fd);
        QFile::remove(staged.temporary);
    }
    if (name->fresh)
        QFile::remove(name->path);
    return {};
}

bool publishStaged(const StagedFile& file) {
    bool published = syncDescriptor(file.fd);
    ::close(file.fd);
    const QByteArray from = QFile::encodeName(file.temporary);
    published =
        published && ::rename(from.constData(), QFile::encodeName(file.path).constData()) == 0;
    if (!published) {
        ::unlink(from.constData());
        if (file.fresh)
            QFile::remove(file.path);
        return false;
    }
    (void)syncFolder(QFileInfo(file.path).path());
    return true;
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
