#include "platform/resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString resourcePath() {
    const QString installed = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../") +
                                   QStringLiteral(KEYSTAMP_INSTALL_DATADIR))
                                  .absolutePath();
    if (QFileInfo::exists(installed + QStringLiteral("/movie.mp4")))
        return installed;
    return QStringLiteral(KEYSTAMP_SOURCE_RESOURCES);
}
