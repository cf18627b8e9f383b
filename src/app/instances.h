#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

// Starts a further, independent copy of the running program with no
// arguments (it begins in stopwatch mode) and does not wait for it. A copy
// that cannot be started is reported in an alert. User-interface thread only.
void anotherInstance();
// Starts program with no arguments, detached; false when it could not start.
bool startDetachedInstance(const QString& program);

// Places window at a random spot near the lower-left corner of the primary
// screen, without resizing it. Does nothing where the platform does not let
// programs place their windows (Wayland).
void notQuiteCenter(QWidget* window);

// The lower-left corner of the frame for draws x in 0..279 and y in 0..29:
// (x + 50, y + 40), in coordinates with the origin at the lower-left corner
// of the screen and y growing upwards.
QPoint notQuiteCenterOrigin(int x, int y);

// Converts a frame origin in those y-up coordinates into the top-left corner
// of the frame in Qt's y-down screen coordinates.
QPoint frameTopLeftForOrigin(const QRect& screen, const QSize& frame, const QPoint& origin);
