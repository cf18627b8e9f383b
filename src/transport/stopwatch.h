#pragma once

#include <QString>

// Loads the placeholder video and names the session "stopwatch", starting its
// clock now: the window title, vidBasename, loadTime and the status line.
// The placeholder is loaded stopped. User-interface thread only.
void stopwatchMode();

// The placeholder's URL text for a resource folder: "file://", the folder's
// path percent-encoded where URL syntax requires it, "/movie.mp4".
QString placeholderUrlText(const QString& resourceFolder);
