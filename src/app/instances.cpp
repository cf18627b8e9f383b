#include "app/instances.h"

#include "platform/alert.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QWidget>

bool startDetachedInstance(const QString& program) {
    return QProcess::startDetached(program, QStringList());
}

void anotherInstance() {
    const QString program = QCoreApplication::applicationFilePath();
    if (!startDetachedInstance(program))
        showAlert(QStringLiteral("New Player"),
                  QStringLiteral("Another copy of the program could not be started:\n") + program);
}

QPoint notQuiteCenterOrigin(int x, int y) {
    return QPoint(x + 50, y + 40);
}

QPoint frameTopLeftForOrigin(const QRect& screen, const QSize& frame, const QPoint& origin) {
    // y-up origin.y() is measured from the screen's bottom edge to the
    // frame's bottom edge.
    return QPoint(screen.left() + origin.x(),
                  screen.top() + screen.height() - origin.y() - frame.height());
}

void notQuiteCenter(QWidget* window) {
    if (!window || QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRandomGenerator* random = QRandomGenerator::global();
    const QPoint origin =
        notQuiteCenterOrigin(int(random->bounded(280u)), int(random->bounded(30u)));
    // move() places the frame, decorations included.
    window->move(frameTopLeftForOrigin(screen->geometry(), window->frameGeometry().size(), origin));
}
