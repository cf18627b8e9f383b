#include "storage/file_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
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

enum class Claim { Claimed, Taken, Failed };

// Creates path empty, failing when anything exists at it.
Claim claim(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == EEXIST ? Claim::Taken : Claim::Failed;
    ::close(fd);
    return Claim::Claimed;
}

} // namespace

QString numberedFileName(const QString& stem, int n) {
    if (n <= 1)
        return stem + QStringLiteral(".txt");
    return stem + QStringLiteral("--") + QString::number(n) + QStringLiteral(".txt");
}

QString writeWithoutClobbering(const QString& folder, const QString& stem,
                               const QByteArray& content, const QSet<QString>& ownPaths) {
    const QDir dir(folder);
    for (int n = 1; n <= kMaxCandidates; ++n) {
        const QString path = dir.filePath(numberedFileName(stem, n));
        const QFileInfo existing(path);
        if (ownPaths.contains(path) && existing.isFile() && !existing.isSymLink())
            return saveWhole(path, content) ? path : QString();
        switch (claim(path)) {
        case Claim::Taken:
            continue;
        case Claim::Failed:
            return QString();
        case Claim::Claimed:
            if (saveWhole(path, content))
                return path;
            QFile::remove(path); // the empty file claimed above
            return QString();
        }
    }
    return QString();
}

bool syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    const bool synced = result == 0 || errno == EINVAL; // EINVAL: nothing to sync here
    ::close(fd);
    return synced;
}
