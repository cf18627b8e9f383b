#pragma once

#include <QString>
#include <QUrl>

// The storage folder: the user's Documents folder, then one folder named
// after the program. Nothing is cached: every call looks the names up again.
// storageURL: user-interface thread only (it may show a modal alert). The
// others also run on the disk worker (the journal makes its folder there):
// they read only the environment, the XDG user-dirs file and the program's
// names, which are set at start-up.

// The program's display name ("Keystamp") when one is set, else its
// application name.
QString defaultAppName();

// The user's Documents folder (XDG user directories).
QUrl docURL();

// The storage folder as a local path, without creating it.
QString storageFolderPath();

// Creates the storage folder and any missing parents. Returns true when it
// exists afterwards; otherwise false, with a readable description of the
// cause in *problem when problem is given. Shows nothing. The syncs that put
// the new folders' names on disk run on the disk worker.
bool makeStorageFolder(QString* problem = nullptr);

// The storage folder, created where missing. A failure to create it raises the
// "Data storage folder creation" alert; the URL is returned all the same.
QUrl storageURL();
