#pragma once

#include <QDateTime>
#include <QString>

// The transcript file: "<load stamp>--<name part>.txt" in the storage folder,
// a three-line header, then the transcript text, in UTF-8.

// Date patterns of the file names and the header (ICU / UTS #35 patterns).
inline constexpr QLatin1String kLoadStampPattern{"yyyy.MM.dd-HH.mm.ss"};
inline constexpr QLatin1String kHeaderDatePattern{"EEEE, MMMM d, yyyy h:mm:ss a"};

// The name part of a file name: vidBasename read as a path, its extension
// (from the last dot of its last component that is not that component's first
// character) removed, then its last component. "trial.01" gives "trial".
// In it and in the header's video name, control characters (a line feed in a
// video's name) become spaces.
QString namePartOf(const QString& vidBasename);

// The video name of the header: the last path component of vidBasename while
// the player holds an item, else "no-video".
QString videoNameOf(const QString& vidBasename, bool playerHasItem);

// "<stamp>--<name part>", the name part shortened (at a character boundary)
// where the longest file name built on the stem would exceed the 255 bytes a
// Linux file name may hold.
QString transcriptStem(const QString& loadStamp, const QString& namePart);

// "<stamp>--<name part>.txt", e.g. 2026.12.05-18.14.46--lecture3.txt.
QString transcriptFileName(const QString& loadStamp, const QString& namePart);

// The three header lines, each ended by a line feed.
QString transcriptHeader(const QString& headerDate, const QString& videoName);

// What every file of a session is named and headed from: the transcript's
// stem and its three header lines.
struct SessionFiles {
    QString stem;
    QString header;
};
SessionFiles sessionFiles(const QDateTime& loadTime, const QString& vidBasename,
                          bool playerHasItem);

// The running session's: from savedState() and whether the player holds an
// item. User-interface thread only.
SessionFiles currentSessionFiles();

// The transcript as the view holds it, lines ended by line feeds ("" without
// a transcript view).
QString transcriptText();

// The informative text of the "Data Save" alert.
QString dataSaveText();

// Writes the transcript with its header to its file in the storage folder
// (when it holds more than two characters) and clears it; a failed write
// raises the "Data Save" alert and keeps the transcript. Never replaces a file
// it did not write: a taken name gives way to "<stem>--2.txt" and so on.
// After a write or a clear the session's crash journals are settled
// (removed when the written file holds all their lines, else kept).
// Returns whether the transcript was written or had too little to write.
// User-interface thread only.
bool saveAndClearScript();

// How many times saveAndClearScript() or a checkpoint has succeeded in this
// process; a failure remembered at one count is forgotten at the next.
int successfulSaves();

// Counts one successful save (for the checkpoint).
void countSuccessfulSave();
