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

// An alert about work that ended in the background (a checkpoint's sync, an
// export): shown at once while keys are not being recorded; otherwise held
// until they are not, so that it never takes a key meant for the recorder.
// The caller says in the status line at once what happened.
void showLateAlert(const QString& message, const QString& informative);

// Answers whether keys go to the recorder now; set once at start-up. Without
// one, late alerts show at once.
void setRecordingProbe(std::function<bool()> recording);

// Shows the alerts held so far; called whenever keys stop being recorded.
void showHeldAlerts();
