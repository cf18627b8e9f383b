#pragma once

#include <QString>

// The crash journal. While a session has recorded lines, each line appended to
// the transcript is also appended to "<load stamp>--<name part>--unsaved.txt"
// in the storage folder, after the same three header lines as the transcript
// file, so that a crash, a kill or a power cut loses no coding. Nothing reads
// journals back; they are there for the user to find.
//
// Contract:
//  - A line reaches the operating system (write(2), unbuffered) before the
//    transcript listener returns, so it survives the process being killed.
//  - The file is synced to disk within about a second of each line.
//  - The journal is opened lazily on a session's first line, named from
//    savedState().loadTime and vidBasename at that moment; a line of a new
//    session (another load time or name) closes the old journal, which is
//    kept, and opens a new one.
//  - It never replaces an existing file (a taken name gives way to
//    "...--unsaved--2.txt" and so on).
//  - A journal that cannot be opened or written never blocks recording and
//    never raises an alert: the status line (savedState().tbTextBlock) says
//    once per session that unsaved lines are not protected.
//  - discardJournals() removes every journal written since the transcript was
//    last saved: the saved transcript holds all their lines, since only a
//    successful save clears it.
//
// Thread rules: user-interface thread only.

// Registers the journal as the transcript listener. Called once at start-up.
void installJournal();

// Appends one transcript line (without its line feed); the listener.
void journalLine(const QString& line);

// The transcript was saved or cleared: closes and removes the journals.
void discardJournals();

// The path of the journal lines go to now; empty when none is open.
QString journalPath();

// The status-line remark shown when the journal cannot be written.
QString journalFailureRemark();
