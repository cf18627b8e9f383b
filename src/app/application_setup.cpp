#include "app/application_setup.h"

#include "platform/mpv_player.h"
#include "storage/journal.h"

#include <QApplication>
#include <QIcon>

#include <clocale>

void prepareApplication() {
    // Qt set the C locale from the environment; numbers are always read and
    // written with "." and libmpv refuses to start otherwise.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    QApplication::setOrganizationName(QStringLiteral("Keystamp"));
    QApplication::setDesktopFileName(QStringLiteral("keystamp"));
    // Built into the program (not into the tests, whose windows go without).
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/keystamp.svg")));

    // The first video load creates a libmpv player.
    installMpvPlayer();
    // Every recorded line also goes to the crash journal until it is saved.
    installJournal();
}
