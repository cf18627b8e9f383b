#include "storage/storage_folder.h"

#include "platform/alert.h"
#include "storage/disk_worker.h"
#include "storage/file_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

QString defaultAppName() {
    // Qt answers the application name when no display name was set.
    const QString display = QGuiApplication::applicationDisplayName();
    return display.isEmpty() ? QCoreApplication::applicationName() : display;
}

QUrl docURL() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::home().filePath(QStringLiteral("Documents"));
    return QUrl::fromLocalFile(documents);
}

QString storageFolderPath() {
    return QDir(docURL().toLocalFile()).filePath(defaultAppName());
}

bool makeStorageFolder(QString* problem) {
    return makeFolder(storageFolderPath(), problem);
}

bool makeFolder(const QString& folder, QString* problem) {
    // The folders that do not exist yet, innermost first: once they are
    // made, each one's entry in its parent must reach the disk too.
    QStringList made;
    for (QString path = QDir::cleanPath(folder); !QFileInfo::exists(path);) {
        made.append(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    std::error_code error;
    std::filesystem::create_directories(
        std::filesystem::path(QFile::encodeName(folder).toStdString()), error);
    if (!error) {
        // On the disk worker, so that a slow disk holds up no key.
        if (!made.isEmpty())
            diskWorker().post([made] {
                for (const QString& path : made)
                    (void)syncFolder(QFileInfo(path).path());
            });
        return true;
    }
    if (problem)
        *problem = QStringLiteral("The folder “%1” could not be created: %2.")
                       .arg(folder, QString::fromLocal8Bit(error.message()));
    return false;
}

QUrl storageURL() {
    QString problem;
    if (!makeStorageFolder(&problem))
        showAlert(QStringLiteral("Data storage folder creation"),
                  QStringLiteral("problem: ") + problem);
    return QUrl::fromLocalFile(storageFolderPath());
}
