#include "platform/alert.h"

#include <QApplication>
#include <QMessageBox>

namespace {
AlertHandler& handler() {
    static AlertHandler h;
    return h;
}
} // namespace

void setAlertHandler(AlertHandler h) {
    handler() = std::move(h);
}

void showAlert(const QString& message, const QString& informative) {
    if (handler()) {
        handler()(message, informative);
        return;
    }
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(message);
    box.setInformativeText(informative);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
