#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// Records alerts instead of showing them, for the life of the object.
class AlertRecorder {
public:
    AlertRecorder();
    ~AlertRecorder();
    std::vector<std::pair<QString, QString>> alerts;
};

// Resets the session record to its defaults (widget references emptied).
void resetSession();
