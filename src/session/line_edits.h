#pragma once

class QPlainTextEdit;

// Corrections of a transcript in its view, each one undoable step of the
// view's history. User-interface thread only.

// Deletes the whole lines that the view's selection touches (the cursor's
// line when nothing is selected). False when there is no line to delete.
bool deleteSelectedLines(QPlainTextEdit* view);

// Sets the time of the time-stamped line at the view's cursor to seconds
// (its clock and entry kept) and moves it to its place by time (see
// line_order.h); the cursor follows it. False when the line has no time.
bool setLineTime(QPlainTextEdit* view, double seconds);
