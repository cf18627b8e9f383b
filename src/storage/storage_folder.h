#pragma once

#include <QString>
#include <QUrl>

// The storage folder: the user's Documents folder, then one folder named
// after the program. Nothing is cached: every call looks the names up again.
// Thread rules: makeFolder() runs on any thread; the others read the
// program's names and run on the user-interface thread only (storageURL may
// show a modal alert).

// The coding scheme that File > Export Data and the timeline read.
inline constexpr QLatin1String kCodingSchemeFileName{"coding-scheme.txt"};

// The program's display name ("Keystamp") when one is set, else its
// application name.
QString defaultAppName();

// The user's Documents folder (XDG user directories).
QUrl docURL();

// The storage folder as a local path, without creating it.
QString storageFolderPath();

// Creates folder and any missing parents. Returns true when it exists
// afterwards; otherwise false, with a readable description of the cause in
// *problem when problem is given. Shows nothing and reads no application
// state, so it runs on the disk worker too. The syncs that put the new
// folders' names on disk run on the disk worker.
bool makeFolder(const QString& folder, QString* problem = nullptr);

// Creates the storage folder and any missing parents. Returns true when it
// exists afterwards; otherwise false, with a readable description of the
// cause in *problem when problem is given. Shows nothing. The syncs that put
// the new folders' names on disk run on the disk worker.
bool makeStorageFolder(QString* problem = nullptr);

// The storage folder, created where missing. A failure to create it raises the
// "Data storage folder creation" alert; the URL is returned all the same.
QUrl storageURL();
