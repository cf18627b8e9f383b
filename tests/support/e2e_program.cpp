#include "support/e2e_program.h"

#include <QElapsedTimer>
#include <QTest>

#include <csignal>
#include <functional>

namespace {

// Asks until done() says yes or timeoutMs has passed.
bool poll(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

QStringList visibleWindows(const QStringList& filter) {
    const auto found = RunningProgram::xdotool(QStringList{"search", "--onlyvisible"} + filter);
    return found && !found->isEmpty() ? found->split('\n') : QStringList();
}

} // namespace

std::optional<QString> RunningProgram::xdotool(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    // Events keep flowing meanwhile, for windows of the test's own process.
    if (!p.waitForStarted() ||
        !QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 20000) ||
        p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

RunningProgram::~RunningProgram() {
    if (isRunning()) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool RunningProgram::start(const QStringList& arguments, const QString& titlePattern) {
    process_.setProcessEnvironment(env_);
    process_.start(program_, arguments);
    if (!process_.waitForStarted(10000))
        return false;
    QStringList found;
    poll(
        [&] {
            found = visibleWindows({"--pid", QString::number(pid()), "--name", titlePattern});
            return !found.isEmpty() || !isRunning();
        },
        30000);
    if (found.isEmpty())
        return false;
    window_ = found.first();
    // Let the program settle (its first fit), then give it the keys.
    QTest::qWait(700);
    return xdotool({"windowfocus", "--sync", window_}).has_value();
}

bool RunningProgram::keys(const QStringList& keys, int delayMs) {
    return xdotool(QStringList{"key", "--delay", QString::number(delayMs)} + keys).has_value();
}

bool RunningProgram::click(int x, int y) {
    return xdotool({"mousemove", "--window", window_, QString::number(x), QString::number(y),
                    "click", "1"})
        .has_value();
}

bool RunningProgram::signal(int signalNumber) {
    if (pid() <= 0)
        qWarning() << "the program ended early:" << process_.exitStatus() << process_.exitCode()
                   << process_.readAllStandardError();
    return pid() > 0 && ::kill(pid_t(pid()), signalNumber) == 0;
}

bool RunningProgram::exitsCleanly(int timeoutMs) {
    if (isRunning() && !process_.waitForFinished(timeoutMs)) {
        qWarning() << process_.readAllStandardError();
        return false;
    }
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

QStringList RunningProgram::waitForWindows(const QString& pattern, int count, int timeoutMs) {
    QStringList windows;
    poll(
        [&] {
            windows = visibleWindows({"--name", pattern});
            return count == 0 ? windows.isEmpty() : windows.size() >= count;
        },
        timeoutMs);
    return windows;
}
