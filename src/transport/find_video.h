#pragma once

#include <QString>
#include <QStringList>

// The file name extensions of the videos the program opens (those of the
// types its desktop entry lists), lower case, without the dot.
const QStringList& videoExtensions();

// The first regular file named videoName plus one of extensions (in either
// case) in the first of folders that has one; "" when none has. A name with
// a folder separator, "." or ".." names no video: a transcript's header never
// leads the search out of the folders given.
QString findVideo(const QString& videoName, const QStringList& folders,
                  const QStringList& extensions = videoExtensions());
