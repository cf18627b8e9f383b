#include "storage/journal_files.h"

#include "storage/file_writer.h"
#include "storage/storage_folder.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int createJournalFile(const QString& folder, const QString& stem, const QString& header,
                      JournalFile* file) {
    if (!makeFolder(folder))
        return -1;
    QString path;
    const int fd =
        createFreeName(folder, kUnsavedPrefix + stem, QStringLiteral(".txt"), O_APPEND, &path);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !writeAll(fd, header.toUtf8())) {
        ::close(fd);
        ::unlink(QFile::encodeName(path).constData());
        return -1;
    }
    file->path = path;
    file->stem = stem;
    file->device = st.st_dev;
    file->inode = st.st_ino;
    return fd;
}

bool isStillOurs(const JournalFile& file) {
    struct stat st {};
    return !file.path.isEmpty() && ::lstat(QFile::encodeName(file.path).constData(), &st) == 0 &&
           S_ISREG(st.st_mode) && st.st_dev == file.device && st.st_ino == file.inode;
}

void keepAsDiscarded(const JournalFile& file) {
    if (isStillOurs(file))
        (void)renameToFreeName(file.path, kDiscardedPrefix + file.stem, QStringLiteral(".txt"));
}

bool holdsAllLines(const QString& text, const QStringList& lines) {
    const QString all = text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n');
    qsizetype from = 0;
    for (const QString& line : lines) {
        const QString whole = line + QLatin1Char('\n');
        qsizetype at = all.indexOf(whole, from);
        while (at > 0 && all[at - 1] != QLatin1Char('\n'))
            at = all.indexOf(whole, at + 1);
        if (at < 0)
            return false;
        from = at + whole.size();
    }
    return true;
}
