#include "support/app_home.h"

#include <QDir>
#include <QFile>

AppHome::AppHome() : oldHome_(qgetenv("HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("HOME", dir_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir_.path() + QStringLiteral("/.config")).toUtf8());
}

AppHome::~AppHome() {
    qputenv("HOME", oldHome_);
    if (oldConfig_.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig_);
}

QProcessEnvironment AppHome::env() const {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("HOME"), path());
    e.insert(QStringLiteral("XDG_CONFIG_HOME"), path() + QStringLiteral("/.config"));
    e.insert(QStringLiteral("XDG_DATA_HOME"), path() + QStringLiteral("/.local/share"));
    e.insert(QStringLiteral("XDG_CACHE_HOME"), path() + QStringLiteral("/.cache"));
    e.insert(QStringLiteral("XDG_RUNTIME_DIR"), path() + QStringLiteral("/.runtime"));
    QDir().mkpath(path() + QStringLiteral("/.runtime"));
    QFile::setPermissions(path() + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    e.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
    e.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    e.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    e.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    return e;
}

QStringList AppHome::transcriptFiles() const {
    QStringList files =
        QDir(storage()).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    files.removeIf([](const QString& f) {
        return f.contains(QLatin1String("--unsaved")) ||
               f.contains(QLatin1String("--checkpoint-at--"));
    });
    return files;
}

QStringList AppHome::journalFiles() const {
    return QDir(storage()).entryList({QStringLiteral("*--unsaved*")}, QDir::Files, QDir::Name);
}

bool AppHome::blockStorage() const {
    QDir().mkpath(documents());
    QFile blocker(storage());
    return blocker.open(QIODevice::WriteOnly);
}
