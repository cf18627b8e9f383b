#include "app/app_delegate.h"
#include "app/application_setup.h"
#include "app/termination_signals.h"
#include "storage/revision.h"
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

    // Files named on the command line (the desktop passes the files it
    // opens with the program) are requests made before launch finished: the
    // last video is opened by start-up; when a transcript is named, the first
    // transcript is reopened, with the first video when one is named.
    const QStringList arguments = QApplication::arguments().mid(1);
    QString firstVideo;
    for (const QString& argument : arguments) {
        const auto path = localVideoPath(argument);
        if (!path) {
            QTextStream(stderr) << "keystamp: only local files can be opened: " << argument << "\n";
            continue;
        }
        if (looksLikeTranscript(*path)) {
            if (delegate.deferredTranscript.isEmpty())
                delegate.deferredTranscript = *path;
            continue;
        }
        if (firstVideo.isEmpty())
            firstVideo = *path;
        delegate.applicationOpenFile(*path);
    }
    if (!delegate.deferredTranscript.isEmpty())
        delegate.deferredLoadVideo = firstVideo;
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
