#include "app/app_delegate.h"
#include "app/termination_signals.h"
#include "platform/mpv_player.h"
#include "storage/journal.h"
#include "transport/open_file.h"

#include <QApplication>
#include <QTextStream>

#include <clocale>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Qt set the C locale from the environment; numbers are always read and
    // written with "." and libmpv refuses to start otherwise.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    QApplication::setOrganizationName(QStringLiteral("Keystamp"));
    QApplication::setDesktopFileName(QStringLiteral("keystamp"));

    // The first video load creates a libmpv player.
    installMpvPlayer();
    // Every recorded line also goes to the crash journal until it is saved.
    installJournal();

    // A logout, a shutdown or Ctrl+C ends the session as Quit does.
    TerminationSignals terminationSignals;
    AppDelegate delegate;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &delegate,
                     &AppDelegate::onTerminationSignal);
    app.setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());

    // Videos named on the command line (the desktop passes the files it
    // opens with the program) are requests made before launch finished: the
    // last one is opened by start-up.
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (const auto path = localVideoPath(argument))
            delegate.applicationOpenFile(*path);
        else
            QTextStream(stderr) << "keystamp: only local files can be opened: " << argument << "\n";
    }
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
