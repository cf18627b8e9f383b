#include "support/e2e_program.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <functional>
#include <optional>

namespace {

// Asks until done() says yes or timeoutMs has passed; the last answer.
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

QStringList visibleWindows(const QString& pattern) {
    const auto found =
        RunningProgram::xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--name"), pattern});
    return found && !found->isEmpty() ? found->split('\n') : QStringList();
}

} // namespace

PrivateDisplay::~PrivateDisplay() {
    if (server_.state() == QProcess::NotRunning)
        return;
    server_.terminate();
    server_.waitForFinished(5000);
    qputenv("DISPLAY", oldDisplay_);
}

bool PrivateDisplay::start() {
    oldDisplay_ = qgetenv("DISPLAY");
    // Try display numbers until a server comes up (another may hold one).
    const int first = 60 + int(QCoreApplication::applicationPid() % 30);
    for (int n = first; n < first + 40; ++n) {
        if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        server_.start(QStringLiteral("Xvfb"),
                      {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                       QStringLiteral("1440x900x24"), QStringLiteral("-nolisten"),
                       QStringLiteral("tcp")});
        if (!server_.waitForStarted(5000))
            return false;
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
        const bool up =
            poll(
                [&] {
                    return QFileInfo::exists(socket) || server_.state() == QProcess::NotRunning;
                },
                10000) &&
            server_.state() == QProcess::Running;
        if (up) {
            qputenv("DISPLAY", QStringLiteral(":%1").arg(n).toUtf8());
            return true;
        }
        server_.kill();
        server_.waitForFinished(2000);
    }
    return false;
}

std::optional<QString> RunningProgram::xdotool(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

RunningProgram::~RunningProgram() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool RunningProgram::start(const QStringList& arguments, const QString& titlePattern) {
    process_.setProcessEnvironment(env_);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QStringLiteral(KEYSTAMP_BINARY), arguments);
    if (!process_.waitForStarted(10000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000) {
        const auto found = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--pid"), QString::number(pid()),
                                    QStringLiteral("--name"), titlePattern});
        if (found && !found->isEmpty()) {
            window_ = found->split('\n').first();
            // Let the program settle (its first fit), then give it the keys.
            QTest::qWait(700);
            return focus(window_);
        }
        if (process_.state() == QProcess::NotRunning)
            return false;
        QTest::qWait(100);
    }
    return false;
}

bool RunningProgram::focus(const QString& window) {
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}).has_value();
}

bool RunningProgram::keys(const QStringList& keys, int delayMs) {
    QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(delayMs)};
    args << keys;
    return xdotool(args).has_value();
}

bool RunningProgram::click(int x, int y) {
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window_,
                    QString::number(x), QString::number(y), QStringLiteral("click"),
                    QStringLiteral("1")})
        .has_value();
}

bool RunningProgram::signal(int signalNumber) {
    return pid() > 0 && ::kill(pid_t(pid()), signalNumber) == 0;
}

bool RunningProgram::waitForExit(int timeoutMs) {
    if (process_.state() == QProcess::NotRunning)
        return true;
    return process_.waitForFinished(timeoutMs);
}

QStringList RunningProgram::waitForWindows(const QString& pattern, int count, int timeoutMs) {
    QStringList windows;
    poll([&] { return (windows = visibleWindows(pattern)).size() >= count; }, timeoutMs);
    return windows;
}

bool RunningProgram::waitForNoWindow(const QString& pattern, int timeoutMs) {
    return poll([&] { return visibleWindows(pattern).isEmpty(); }, timeoutMs);
}

bool RunningProgram::waitForWindowGone(const QString& window, int timeoutMs) {
    return poll([&] { return !visibleWindows(QStringLiteral(".*")).contains(window); }, timeoutMs);
}

qint64 RunningProgram::windowPid(const QString& window) {
    const auto pid = xdotool({QStringLiteral("getwindowpid"), window});
    return pid ? pid->toLongLong() : -1;
}
