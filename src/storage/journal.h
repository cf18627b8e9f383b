#pragma once

#include <QString>

// The crash journal. While a session has recorded lines, each line appended to
// the transcript is also appended to "unsaved--<load stamp>--<name part>.txt"
// in the storage folder, after the same three header lines as the transcript
// file, so that a crash, a kill or a power cut loses no coding. Nothing reads
// journals back; they are there for the user to find.
//
// Contract:
//  - Once the journal's file exists, a line reaches the operating system
//    (write(2), unbuffered, to the page cache) before the transcript listener
//    returns, so it survives the process being killed.
//  - The file is made on the disk worker: the storage folder where missing,
//    the search for a free name, the open and the header. That can take long
//    on a network home folder and would otherwise delay a key. The price: the
//    first lines of a session (and those after a failure, until the new file
//    exists) reach the operating system shortly after the listener returns,
//    not before; a kill in that moment loses them. They are written, in
//    order and after the header, when the worker's answer is taken up: at
//    the next line or within a few tens of milliseconds, after any disk work
//    queued ahead of it.
//  - The file is synced to disk within about a second of each line. The
//    syncs (of the file and of the folder) and the closing of a file run on
//    the disk worker, so a slow disk never delays a key; their failures are
//    taken up on this thread shortly after.
//  - The journal is made lazily on a session's first line, named from
//    savedState().loadTime and vidBasename at that moment; a line of a new
//    session (another load time or name) closes the old journal, which is
//    kept, and makes a new one (waiting first for the old one if it is still
//    being made, which a load in between makes all but impossible).
//  - It never replaces an existing file (a taken name gives way to
//    "unsaved--...--2.txt" and so on), and its name is one that no other
//    file of the program can have (see journal_files.h).
//  - Each line is kept as recorded, whatever is later typed into the
//    transcript view: the journal is the record of what was pressed.
//  - A journal that cannot be opened or written never blocks recording and
//    never raises an alert: the status line (savedState().tbTextBlock) says
//    that unsaved lines are not protected. At a later line, at most once a
//    second, the journal makes a new file with the header and every line of
//    the session, which takes the failed file's place, and the status line
//    says that lines are protected again.
//  - settleJournals() lets go of the journals written since the last save: a
//    journal whose every line the saved text holds is removed, any other
//    (nothing written, an edited transcript, a folder that did not sync) is
//    renamed to "discarded--<load stamp>--<name part>.txt" and kept for good.
//    No other file is ever removed.
//
// Thread rules: user-interface thread only (the disk worker makes the files
// and runs the syncs and closes; their outcomes come back as its results).

// Registers the journal as the transcript listener. Called once at start-up.
void installJournal();

// Appends one transcript line (without its line feed); the listener.
void journalLine(const QString& line);

// The transcript was saved (savedText is the text written, savedDurably
// whether its name reached the disk) or cleared without a write (an empty
// savedText): takes up a file still being made, then closes the journals and
// removes or keeps them as above.
void settleJournals(const QString& savedText, bool savedDurably);

// Waits for the journal's disk work queued so far (a file being made
// included) and takes up its results, until none is left (a save does,
// before it settles the journals).
void waitForJournal();

// The path of the journal lines go to now; empty when none is open (also
// while the file is still being made).
QString journalPath();
