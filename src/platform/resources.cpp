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
    // A program (or test) in a build tree: resources/ of the source tree
    // beside the build folder, which alone holds the interface file.
    QDir dir(programFolder);
    for (int up = 0; up < 3 && dir.cdUp(); ++up) {
        const QString candidate = dir.filePath(QStringLiteral("resources"));
        if (holdsResources(candidate) &&
            QFileInfo::exists(candidate + QStringLiteral("/mainwindow.ui")))
            return candidate;
    }
    return QString();
}
