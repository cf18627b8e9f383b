#pragma once

#include <QString>

#include <functional>
#include <optional>

// Appends text and one line feed to the transcript (savedState().script) as
// one styled run, without moving the observer's cursor or selection. A view
// that showed its last line scrolls to show the new last line; one scrolled
// up stays where it is. A stamped time (the exact video time of a
// time-stamped line, which the text shows with two decimals only) is kept
// beside the line. User-interface thread only.
void recordNote(const QString& text, std::optional<double> stampedTime = std::nullopt);

// Appends the time-stamped line for video time t and txt, and shows it in
// the echo field. A negative t stands for the player's current time when a
// player exists. User-interface thread only.
void recordTimedNote(double t, const QString& txt);

// The video time of a transcript line: the stamped time kept beside it while
// its text is as recorded, else the time written at the start of a
// time-stamped line; nullopt for a line that is not time-stamped.
class QTextBlock;
std::optional<double> lineTime(const QTextBlock& line);

// Styles a transcript view as the transcript: fixed-width font, colours.
class QPlainTextEdit;
void styleTranscript(QPlainTextEdit* view);

class QTextBlock;

// Reopened sessions. While time-ordered insertion is on, a line recordNote
// is given a stamped time for goes to its place by time (see line_order.h)
// instead of the end.
void setTimeOrderedInsertion(bool on);
bool timeOrderedInsertion();

// Replaces the transcript with text (lines as read back from a file), in the
// transcript's style, with no undo history; the listener is not called: the
// lines are in their file already. User-interface thread only.
void setTranscriptLines(const QString& text);

// The time of the last time-stamped line of the transcript, if any.
std::optional<double> lastLineTime();

// The line index (block number) a line at video time t would go to now.
int insertionLine(double t);

// Keeps the exact video time seconds beside line (as recordNote does for the
// lines it appends), while its text stays as it is now.
void stampLine(QTextBlock line, double seconds);

// Called with every line recordNote appends (without its line feed), after the
// append; the crash journal listens here. One listener; an empty function
// removes it.
void setTranscriptListener(std::function<void(const QString& line)> listener);
