#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// An X server of the test's own (Xvfb), so that windows and keys of other
// tests on a shared display cannot get in the way. While it lives, DISPLAY
// names it for every child process.
class PrivateDisplay {
public:
    PrivateDisplay() = default;
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;
    bool start();

private:
    QProcess server_;
    QByteArray oldDisplay_;
};

// The real program (KEYSTAMP_BINARY) run on the test's X display, driven
// through the X server with xdotool: real key events, real windows.
class RunningProgram {
public:
    explicit RunningProgram(QProcessEnvironment env) : env_(std::move(env)) {}
    ~RunningProgram();

    // Starts the program with arguments and waits until its window, whose
    // title matches titlePattern, is shown and has the keyboard focus.
    bool start(const QStringList& arguments, const QString& titlePattern);
    qint64 pid() const { return process_.processId(); }
    QString window() const { return window_; }

    // Presses keys in xdotool's notation ("a", "shift+a", "KP_Enter"), one
    // after the other, into the window that has the focus.
    bool keys(const QStringList& keys, int delayMs = 80);
    // Clicks at a point of the program's window (window coordinates).
    bool click(int x, int y);
    // Gives the keyboard focus to an X window.
    bool focus(const QString& window);

    // Sends a signal to the program.
    bool signal(int signalNumber);
    // Waits for the program to end; false if it did not within timeoutMs.
    bool waitForExit(int timeoutMs = 30000);
    int exitCode() const { return process_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process_.exitStatus(); }
    bool isRunning() const { return process_.state() != QProcess::NotRunning; }
    QString errorOutput() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

    // The visible windows whose title matches pattern (any process), waiting
    // up to timeoutMs until at least count of them are there.
    static QStringList waitForWindows(const QString& pattern, int count, int timeoutMs = 30000);
    // Waits until no visible window matches pattern.
    static bool waitForNoWindow(const QString& pattern, int timeoutMs = 30000);
    // Waits until the X window is no longer visible.
    static bool waitForWindowGone(const QString& window, int timeoutMs = 10000);
    static qint64 windowPid(const QString& window);
    // Runs xdotool with arguments; its output, or nothing on failure.
    static std::optional<QString> xdotool(const QStringList& arguments);

private:
    QProcessEnvironment env_;
    QProcess process_;
    QString window_;
};
