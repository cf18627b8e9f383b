#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

// Whole-file writes into the storage folder that never destroy a file the
// program did not write itself.
//
// Thread rules: no shared state; callable from any thread.

// The n-th candidate name for stem: "<stem>.txt", then "<stem>--2.txt",
// "<stem>--3.txt"..., so that every candidate sorts beside the first.
QString numberedFileName(const QString& stem, int n);

// Writes content to the first candidate name of stem in folder that is free,
// or that is one of ownPaths (files this session wrote and may replace).
// A free name is claimed with an exclusive create before anything is written,
// so a file that appears meanwhile, a directory or a symbolic link at the
// name is never replaced. The content goes through QSaveFile: the file is
// complete or absent. Returns the path written, or an empty string when the
// write failed; a failed write leaves no file behind.
QString writeWithoutClobbering(const QString& folder, const QString& stem,
                               const QByteArray& content, const QSet<QString>& ownPaths);

// A whole-file write in two halves, so that its disk wait can run on the
// disk worker: stageWithoutClobbering() picks and claims the name as
// writeWithoutClobbering() does and writes content to a hidden temporary file
// beside it, which reaches only the page cache; publishStaged() syncs that
// file, renames it onto the name and syncs the folder (best effort).
struct StagedFile {
    QString path;       // the name claimed; empty when nothing was staged
    QString temporary;  // holds the content until it is published
    int fd = -1;        // open on temporary, closed by publishStaged()
    bool fresh = false; // the name was free: the claimed empty file holds it
};

// Nothing staged (an empty path) leaves no file behind.
StagedFile stageWithoutClobbering(const QString& folder, const QString& stem,
                                  const QByteArray& content, const QSet<QString>& ownPaths);

// Publishes a staged file: true when its content is on disk under its name.
// On failure the temporary file goes, and so does the name when it was fresh
// (a file this session wrote there before stays as it was).
bool publishStaged(const StagedFile& file);

// Flushes the folder's entries (new names, renames, removals) to disk; false
// when the folder could not be opened or synced.
bool syncFolder(const QString& folder);

// Writes every byte to fd, going on after interrupted and short writes;
// false on a failed write.
bool writeAll(int fd, const QByteArray& bytes);
