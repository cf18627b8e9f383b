#include "storage/journal_files.h"

#include "storage/file_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kMaxCandidates = 1000;
const QLatin1String kUnsaved("--unsaved");
const QLatin1String kDiscarded("--discarded");

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

} // namespace

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

QString discardedStem(const QString& journalFileName) {
    const qsizetype at = journalFileName.lastIndexOf(kUnsaved);
    const QString head =
        at < 0 ? QFileInfo(journalFileName).completeBaseName() : journalFileName.left(at);
    return head + kDiscarded;
}

QString renameWithoutClobbering(const QString& path, const QString& stem) {
    const QDir folder = QFileInfo(path).dir();
    const QByteArray from = QFile::encodeName(path);
    for (int n = 1; n <= kMaxCandidates; ++n) {
        const QString candidate = folder.filePath(numberedFileName(stem, n));
        if (renameNoReplace(from, QFile::encodeName(candidate)) == 0)
            return candidate;
        if (errno != EEXIST)
            return QString();
    }
    return QString();
}

void pruneDiscardedJournals(const QString& folder, int keep) {
    static const QRegularExpression name(QStringLiteral("--discarded(--[0-9]+)?\\.txt$"));
    QFileInfoList found;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        if (!entry.isSymLink() && name.match(entry.fileName()).hasMatch())
            found.append(entry);
    }
    if (found.size() <= keep)
        return;
    std::sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const QDateTime ta = a.lastModified(), tb = b.lastModified();
        return ta != tb ? ta > tb : a.fileName() > b.fileName();
    });
    for (qsizetype i = keep; i < found.size(); ++i)
        QFile::remove(found[i].filePath());
}
