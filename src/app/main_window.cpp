#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closeGuard_ && !closeGuard_()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool MainWindow::focusNextPrevChild(bool next) {
    // Tab and Shift+Tab are keys to record in the player and key-entry views:
    // refusing to move the focus hands them to the view's key handling.
    if (recordingViews_.contains(QApplication::focusWidget()))
        return false;
    return QMainWindow::focusNextPrevChild(next);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (strayKeyHandler_)
        strayKeyHandler_(event);
    else
        QMainWindow::keyPressEvent(event);
}
