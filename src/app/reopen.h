#pragma once

#include <QString>

#include <functional>

class QWidget;

// Reopening a transcript with its video, and the corrections of a reopened
// session. User-interface thread only.

// Asks the observer where the video named videoName is, starting in folder;
// "" when the observer cancels. A file dialog unless tests replace it (an
// empty function restores the dialog).
using VideoQuestion = std::function<QString(const QString& videoName, const QString& folder)>;
void setVideoQuestion(VideoQuestion question);

// Reopens the transcript file at path with the video at videoPath, or, when
// videoPath is "", with the video its header names: looked for beside the
// transcript, then beside the video loaded last, then asked for (a stopwatch
// transcript reopens in stopwatch mode). The current session ends first as
// when a video is opened. A file that is no transcript raises one alert
// naming it; an unwritable current transcript or a cancelled question
// changes nothing. Afterwards the view holds the lines, the video stands at
// the last line's time, the keys go to the player view, new timed lines go
// in by time and every change can be undone. Returns whether it reopened.
bool reopenTranscript(const QString& path, const QString& videoPath = QString(),
                      QWidget* dialogParent = nullptr);

// Whether the session was reopened from a transcript and has not ended.
bool inReopenedSession();
