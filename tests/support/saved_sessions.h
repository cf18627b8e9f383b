#pragma once

#include "support/storage_fixture.h"

#include <QString>

// Transcript files written by the program's own save, from a short script:
// items separated by ";", each "SECONDS ENTRY" for a time-stamped line or
// "#TEXT" for a note the observer typed, e.g. "0 play_x_1.00; 1.5 a; #aside".
class SavedSessions {
public:
    SavedSessions();
    ~SavedSessions();
    // Records the script in a session on a video named name, saves it and
    // returns the file's path.
    QString save(const QString& name, const QString& script);
    TemporaryHome home;

private:
    SessionWidgets* widgets_;
};
