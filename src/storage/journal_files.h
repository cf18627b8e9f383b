#pragma once

#include <QString>
#include <QStringList>

// File-level pieces of the crash journal: which journal a save made
// redundant, and where a journal goes when it is kept.
//
// Thread rules: no shared state; callable from any thread.

// Whether text holds every one of lines, each as whole lines and in the
// order recorded (an edit that changed or reordered a line makes it false).
bool holdsAllLines(const QString& text, const QStringList& lines);

// The name a kept journal is given: "X--unsaved.txt" and "X--unsaved--2.txt"
// become "X--discarded.txt" (or the first free "X--discarded--N.txt").
QString discardedStem(const QString& journalFileName);

// Moves path to the first free candidate of stem in the same folder without
// ever replacing a file; returns the new path, or an empty string.
QString renameWithoutClobbering(const QString& path, const QString& stem);

// Removes all but the newest `keep` discarded journals of folder.
void pruneDiscardedJournals(const QString& folder, int keep);
