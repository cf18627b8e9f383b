#include "platform/alert.h"

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPair>

namespace {
AlertHandler& handler() {
    static AlertHandler h;
    return h;
}

std::function<bool()>& recordingProbe() {
    static std::function<bool()> probe;
    return probe;
}

QList<QPair<QString, QString>>& heldAlerts() {
    static QList<QPair<QString, QString>> held;
    return held;
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

void showLateAlert(const QString& message, const QString& informative) {
    heldAlerts().append({message, informative});
    if (!recordingProbe() || !recordingProbe()())
        showHeldAlerts();
}

void setRecordingProbe(std::function<bool()> recording) {
    recordingProbe() = std::move(recording);
}

void showHeldAlerts() {
    while (!heldAlerts().isEmpty()) {
        const auto [message, informative] = heldAlerts().takeFirst();
        showAlert(message, informative);
    }
}
