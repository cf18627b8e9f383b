#pragma once

#include <QString>

#include <functional>

// Appends text and one line feed to the transcript (savedState().script) as
// one styled run, without moving the observer's cursor or selection. A view
// that showed its last line scrolls to show the new last line; one scrolled
// up stays where it is. User-interface thread only.
void recordNote(const QString& text);

// Appends the time-stamped line for video time t and txt, and shows it in
// the echo field. A negative t stands for the player's current time when a
// player exists. User-interface thread only.
void recordTimedNote(double t, const QString& txt);

// Styles a transcript view as the transcript: fixed-width font, colours.
class QPlainTextEdit;
void styleTranscript(QPlainTextEdit* view);

// Called with every line recordNote appends (without its line feed), after the
// append; the crash journal listens here. One listener; an empty function
// removes it.
void setTranscriptListener(std::function<void(const QString& line)> listener);
