#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

// The one way the program writes a file: claim a name, stage the content in a
// hidden temporary file beside it, sync the temporary, publish it by a rename
// onto the name, sync the folder. A reader sees the old file or the whole new
// one, never a part, and a name is published only once its data is on disk.
//
// Names: a new file takes the first free candidate of a stem ("<stem><suffix>",
// "<stem>--2<suffix>", "<stem>--3<suffix>"...), claimed by an exclusive
// create, so a file that appears meanwhile, a directory or a symbolic link at
// a name is never replaced. Only a file the caller owns (one it wrote before,
// or an output path the user named) is replaced.
//
// Crash leftovers: a crash between the steps can leave the claimed name empty
// and a hidden ".<name>.<8 hex digits>.tmp" beside it. Neither is ever the
// only copy of anything (the journal is), and neither is removed later.
//
// Thread rules: no shared state; callable from any thread. Staging reaches
// only the page cache; publishing waits on the disk, so callers on the
// user-interface thread hand it to the disk worker while keys can arrive.

// How many candidates of one stem are tried before giving up.
inline constexpr int kMaxCandidates = 1000;

// The n-th candidate name of stem: "<stem><suffix>", then "<stem>--2<suffix>"...
QString numberedFileName(const QString& stem, int n,
                         const QString& suffix = QStringLiteral(".txt"));

// Creates the first free candidate of stem in folder, empty, with open(2)
// flags O_WRONLY | O_CREAT | O_EXCL | extraFlags. Returns its descriptor and
// sets *path, or -1 (errno set) when no candidate could be made.
int createFreeName(const QString& folder, const QString& stem, const QString& suffix,
                   int extraFlags, QString* path);

// Moves path to the first free candidate of stem in the same folder without
// ever replacing a file; returns the new path, or an empty string.
QString renameToFreeName(const QString& path, const QString& stem, const QString& suffix);

// A file staged and not yet published.
struct StagedFile {
    QString path;       // the name claimed; empty when nothing was staged
    QString temporary;  // holds the content until it is published
    int fd = -1;        // open on temporary, closed by publishStaged()
    bool fresh = false; // the name was free: the claimed empty file holds it
};

// Stages content under the first candidate of stem in folder that is free or
// one of ownPaths. Nothing staged (an empty path) leaves no file behind.
StagedFile stageNewFile(const QString& folder, const QString& stem, const QString& suffix,
                        const QByteArray& content, const QSet<QString>& ownPaths = {});

// Stages content to replace path, which may be missing; refused (nothing
// staged) when something other than a regular file stands there.
StagedFile stageReplacement(const QString& path, const QByteArray& content);

struct Publication {
    bool published = false;    // the content is on disk under its name
    bool folderSynced = false; // and the name itself reached the disk
};

// Syncs, renames onto the name and syncs the folder. On failure the
// temporary goes, and so does the name when it was fresh.
Publication publishStaged(const StagedFile& file);

// Stages and publishes at once, waiting on the disk; the path written, or an
// empty string (the error in *error when given).
QString writeNewFile(const QString& folder, const QString& stem, const QString& suffix,
                     const QByteArray& content, bool* folderSynced = nullptr,
                     const QSet<QString>& ownPaths = {});
bool writeReplacement(const QString& path, const QByteArray& content, QString* error = nullptr);

// Flushes the folder's entries (new names, renames, removals) to disk; false
// when the folder could not be opened or synced.
bool syncFolder(const QString& folder);

// Writes every byte to fd, going on after interrupted and short writes;
// false on a failed write.
bool writeAll(int fd, const QByteArray& bytes);
