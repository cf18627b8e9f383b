#include "transport/find_video.h"

#include <QFileInfo>

const QStringList& videoExtensions() {
    static const QStringList extensions{
        QStringLiteral("mp4"), QStringLiteral("m4v"), QStringLiteral("mov"),
        QStringLiteral("qt"),  QStringLiteral("mkv"), QStringLiteral("webm"),
        QStringLiteral("avi"), QStringLiteral("mpg"), QStringLiteral("mpeg"),
        QStringLiteral("ts"),  QStringLiteral("mts"), QStringLiteral("m2ts"),
        QStringLiteral("3gp"), QStringLiteral("3g2"), QStringLiteral("mxf"),
        QStringLiteral("wmv"), QStringLiteral("asf"), QStringLiteral("ogv"),
        QStringLiteral("ogg"), QStringLiteral("ogm"), QStringLiteral("flv"),
        QStringLiteral("dv")};
    return extensions;
}

QString findVideo(const QString& videoName, const QStringList& folders,
                  const QStringList& extensions) {
    if (videoName.isEmpty() || videoName == QLatin1String(".") ||
        videoName == QLatin1String("..") || videoName.contains(QLatin1Char('/')) ||
        videoName.contains(QChar(0)))
        return QString();
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        for (const QString& extension : extensions) {
            for (const QString& ext : {extension.toLower(), extension.toUpper()}) {
                const QFileInfo candidate(folder + QLatin1Char('/') + videoName + QLatin1Char('.') +
                                          ext);
                if (candidate.isFile())
                    return candidate.absoluteFilePath();
            }
        }
    }
    return QString();
}
