#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// The real program (KEYSTAMP_BINARY unless another is named) run on the suite's X display, driven
// through the X server with xdotool: real key events, real windows.
class RunningProgram {
public:
    explicit RunningProgram(QProcessEnvironment env, QString program = KEYSTAMP_BINARY)
        : env_(std::move(env)), program_(std::move(program)) {}
    ~RunningProgram();

    // Starts the program and waits until its window (title matching
    // titlePattern) is shown and has the keyboard focus.
    bool start(const QStringList& arguments, const QString& titlePattern);
    qint64 pid() const { return process_.processId(); }
    QString window() const { return window_; }

    // Presses keys in xdotool's notation ("a", "shift+a") into the focused window.
    bool keys(const QStringList& keys, int delayMs = 80);
    // Clicks at a point of the program's window (window coordinates).
    bool click(int x, int y);
    bool signal(int signalNumber);
    // Waits for the program to end with exit code 0.
    bool exitsCleanly(int timeoutMs = 30000);
    bool isRunning() const { return process_.state() != QProcess::NotRunning; }

    // The visible windows (any process) whose title matches pattern, once at
    // least count of them (for 0: none) are there or timeoutMs passed.
    static QStringList waitForWindows(const QString& pattern, int count, int timeoutMs = 30000);
    // Runs xdotool with arguments (processing events); its output, or nothing on failure.
    static std::optional<QString> xdotool(const QStringList& arguments);

private:
    QProcessEnvironment env_;
    QString program_;
    QProcess process_;
    QString window_;
};
