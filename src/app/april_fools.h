#pragma once

#include <QDateTime>

// True when the local date and time fall on 1 April between 00:00 and 11:59.
// Start-up asks once, to choose the fill of the controls box.
bool aprilFools();
// The same for a given instant, in the local time zone.
bool aprilFoolsAt(const QDateTime& when);
