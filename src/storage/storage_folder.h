#pragma once

#include <QString>
#include <QUrl>

QString defaultAppName();
// The user's Documents folder.
QUrl docURL();
// The storage folder (Documents/<defaultAppName()>), created where missing;
// a failure to create it is reported in an alert and the URL returned anyway.
QUrl storageURL();
