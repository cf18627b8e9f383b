#pragma once

#include <QString>

#include <functional>

// Shows a modal alert with a message text, an informative text and one
// button, and returns when it is dismissed. User-interface thread only.
void showAlert(const QString& message, const QString& informative);

// Replaces the modal dialog (tests record alerts instead of blocking on
// them). An empty function restores the dialog.
using AlertHandler = std::function<void(const QString& message, const QString& informative)>;
void setAlertHandler(AlertHandler handler);
