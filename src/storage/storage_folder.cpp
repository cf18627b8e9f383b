#include "storage/storage_folder.h"

// Placeholder until the storage work lands.
QString defaultAppName() { return {}; }
QUrl docURL() { return {}; }
QUrl storageURL() { return {}; }
