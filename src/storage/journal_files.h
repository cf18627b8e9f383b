#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// File-level pieces of the crash journal: its names, the making of its file
// (on the disk worker), which journal a save made redundant.
//
// Journal names begin with a word, "unsaved--" or (once kept after a session
// ended) "discarded--", then the session's transcript stem. Every other file
// the program writes begins with a load stamp, so no transcript, checkpoint,
// revision or export can ever have a journal's name, whatever the video is
// called.
//
// Thread rules: no shared state; callable from any thread.

inline constexpr QLatin1String kUnsavedPrefix{"unsaved--"};
inline constexpr QLatin1String kDiscardedPrefix{"discarded--"};

// A journal file and the lines recorded into it; the inode tells that the
// name still holds the file the journal created.
struct JournalFile {
    QString path;
    QString stem; // the session's transcript stem
    dev_t device = 0;
    ino_t inode = 0;
    QStringList lines;
};

// Makes folder where missing, creates "unsaved--<stem>.txt" (or the first
// free "unsaved--<stem>--N.txt") there for appending and writes header into
// it. Returns the descriptor, or -1 (leaving no file behind). Disk worker.
int createJournalFile(const QString& folder, const QString& stem, const QString& header,
                      JournalFile* file);

// Whether path still holds the file the journal created.
bool isStillOurs(const JournalFile& file);

// Keeps a journal a save may not hold under "discarded--<stem>.txt" (or the
// first free "discarded--<stem>--N.txt"), where no session writes.
void keepAsDiscarded(const JournalFile& file);

// Whether text holds every one of lines, each as whole lines and in the
// order recorded (an edit that changed or reordered a line makes it false).
bool holdsAllLines(const QString& text, const QStringList& lines);
