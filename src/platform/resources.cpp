#include "platform/resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

bool holdsResources(const QString& folder) {
    return QFileInfo(folder + QStringLiteral("/movie.mp4")).isFile();
}

} // namespace

QString resourcePath() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    // An installed program: the data folder at the install's own relative
    // path from the program's folder, so that a moved tree still finds it.
    const QString installed =
        QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(KEYSTAMP_DATA_FROM_BIN));
    if (holdsResources(installed))
        return installed;
    // A program, test or benchmark in a build tree, wherever that tree is:
    // the build links the source's resources/ into its top folder.
    QDir dir(programFolder);
    for (int up = 0; up < 3; ++up) {
        const QString candidate = dir.filePath(QStringLiteral("keystamp-resources"));
        if (holdsResources(candidate))
            return QDir(candidate).canonicalPath();
        if (!dir.cdUp())
            break;
    }
    return QString();
}
