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
    const QString home = dir_.path();
    e.insert(QStringLiteral("HOME"), home);
    e.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    e.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    e.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    e.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/.runtime"));
    QDir().mkpath(home + QStringLiteral("/.runtime"));
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    e.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
    e.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    e.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    e.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    return e;
}

QStringList AppHome::files(const QString& wildcard) const {
    return QDir(storage()).entryList({wildcard}, QDir::Files, QDir::Name);
}

QStringList AppHome::transcriptFiles() const {
    QStringList found = files(QStringLiteral("*.txt"));
    found.removeIf([](const QString& f) {
        return f.startsWith(QLatin1String("unsaved--")) ||
               f.startsWith(QLatin1String("discarded--")) ||
               f.contains(QLatin1String("--checkpoint-at--"));
    });
    return found;
}

QStringList AppHome::lines(const QString& file) const {
    QFile f(storage() + QLatin1Char('/') + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList l = QString::fromUtf8(f.readAll()).split('\n');
    if (l.isEmpty() || !l.last().isEmpty())
        return l << QStringLiteral("(no final newline)");
    l.removeLast();
    return l;
}
