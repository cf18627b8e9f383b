#include "transport/open_file.h"

#include "session/state.h"
#include "transport/load_video.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

QString videoBaseName(const QString& path) {
    const QString name = path.section(QLatin1Char('/'), -1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

std::optional<QString> droppedVideoFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (path.isEmpty() || QFileInfo(path).isDir() || videoBaseName(path).isEmpty())
            continue;
        return QFileInfo(path).absoluteFilePath();
    }
    return std::nullopt;
}

std::optional<QString> localVideoPath(const QString& argument) {
    if (argument.isEmpty())
        return std::nullopt;
    // A file of that name wins over any reading as a URL.
    if (QFileInfo::exists(argument))
        return QFileInfo(argument).absoluteFilePath();
    if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty())
            return std::nullopt;
        return QFileInfo(url.toLocalFile()).absoluteFilePath();
    }
    static const QRegularExpression remote(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (remote.match(argument).hasMatch())
        return std::nullopt;
    return QFileInfo(argument).absoluteFilePath();
}

namespace {
QString& videoFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString lastVideoFolder() {
    return videoFolder();
}

void rememberVideoFolder(const QString& path) {
    videoFolder() = QFileInfo(path).absolutePath();
}

void openVideoPath(const QString& path) {
    stateDef& state = savedState();
    rememberVideoFolder(path);
    loadVideo(state.playerView, QUrl::fromLocalFile(path));
    const QString base = videoBaseName(path);
    if (state.window)
        state.window->setWindowTitle(base);
    state.vidBasename = base;
    state.loadTime = QDateTime::currentDateTime();
    showLoadTime();
}
