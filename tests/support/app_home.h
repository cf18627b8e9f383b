#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A temporary home folder for the program under test: HOME and the XDG
// folders point into it while the object lives (and in env(), for child
// processes), so that Documents/Keystamp is a fresh, private folder.
class AppHome {
public:
    AppHome();
    ~AppHome();
    AppHome(const AppHome&) = delete;
    AppHome& operator=(const AppHome&) = delete;

    QString path() const { return dir_.path(); }
    QString documents() const { return dir_.path() + QStringLiteral("/Documents"); }
    QString storage() const { return documents() + QStringLiteral("/Keystamp"); }
    // The environment of a child process that lives in this home.
    QProcessEnvironment env() const;
    // The transcript files in the storage folder (journals and checkpoints
    // left out), sorted by name.
    QStringList transcriptFiles() const;
    // The journal files (--unsaved) in the storage folder.
    QStringList journalFiles() const;
    // Puts a plain file where the storage folder should be, so that every
    // save fails.
    bool blockStorage() const;

private:
    QTemporaryDir dir_;
    QByteArray oldHome_;
    QByteArray oldConfig_;
};
