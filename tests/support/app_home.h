#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A temporary home: HOME and the XDG folders point into it while the object
// lives (and in env(), for children), so Documents/Keystamp is fresh.
class AppHome {
public:
    AppHome();
    ~AppHome();
    AppHome(const AppHome&) = delete;
    AppHome& operator=(const AppHome&) = delete;

    QString documents() const { return dir_.path() + QStringLiteral("/Documents"); }
    QString storage() const { return documents() + QStringLiteral("/Keystamp"); }
    // The environment of a child process that lives in this home.
    QProcessEnvironment env() const;
    // The transcript files in the storage folder (journals, kept journals and checkpoints
    // left out), sorted by name.
    QStringList transcriptFiles() const;
    // The files in the storage folder whose names match a wildcard.
    QStringList files(const QString& wildcard) const;
    // The lines of a file in the storage folder (a missing final newline
    // shows as one more line).
    QStringList lines(const QString& file) const;

private:
    QTemporaryDir dir_;
    QByteArray oldHome_;
    QByteArray oldConfig_;
};
