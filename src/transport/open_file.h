#pragma once

#include <QString>

#include <optional>

class QMimeData;

// The name a video is known by: the last component of path without its last
// extension ("/v/a.b.mp4" gives "a.b"). A leading dot starts no extension
// (".clip" stays ".clip").
QString videoBaseName(const QString& path);

// The first local file named by a drop (its text/uri-list), or nothing. A
// folder, a remote URL or a drop without URLs names nothing: what is dropped
// is never fetched from the network.
std::optional<QString> droppedVideoFile(const QMimeData* data);

// A video named on the command line or in a dialog, as an absolute local
// path: a relative path is taken from the current folder, a "file:" URL gives
// its path, any other URL gives nothing.
std::optional<QString> localVideoPath(const QString& argument);

// Loads the video at the absolute path into the session's player and names
// the session after it: window title, vidBasename, loadTime (now) and the
// load stamp in the status line. Saving the previous transcript is the
// caller's business. User-interface thread only.
void openVideoPath(const QString& path);

// The folder of the video loaded last in this run ("" before the first).
QString lastVideoFolder();
// Remembers the folder of the video at path as the last one loaded.
void rememberVideoFolder(const QString& path);
