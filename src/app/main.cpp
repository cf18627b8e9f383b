#include "app/app_delegate.h"
#include "app/application_setup.h"
#include "app/termination_signals.h"
#include "transport/open_file.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    prepareApplication();

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
