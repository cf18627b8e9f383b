#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
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

// Names of the entries of a folder (hidden ones included), sorted.
QStringList entriesOf(const QString& folder);
QByteArray contentsOf(const QString& path);
// Creates the file (and its folder) with the bytes; false if it could not.
bool writeFile(const QString& path, const QByteArray& bytes = {});
// env for a child under the preload library that logs the file calls on
// paths under dir to log (if one is named).
QProcessEnvironment traced(QProcessEnvironment env, const QString& dir, const QString& log = {});
