#include "app/termination_signals.h"

#include <QList>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// [0] is written by the handler, [1] read by the notifier.
int pipeFds[2] = {-1, -1};

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: a full socket only drops repeats of a pending request.
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[0], &byte, 1);
    errno = savedErrno;
}

void restoreDefaults() {
    for (int s : kSignals)
        std::signal(s, SIG_DFL);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (pipeFds[0] != -1)
        return; // another instance holds the handlers
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeFds) != 0) {
        pipeFds[0] = pipeFds[1] = -1;
        return;
    }
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals) {
        if (::sigaction(s, &action, nullptr) != 0) {
            restoreDefaults();
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
            pipeFds[0] = pipeFds[1] = -1;
            return;
        }
    }
    notifier_ = new QSocketNotifier(pipeFds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    restoreDefaults();
    delete notifier_;
    notifier_ = nullptr;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void TerminationSignals::readSignals() {
    // Drain first: a receiver may run a nested event loop (an alert).
    QList<int> pending;
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(pipeFds[1], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            pending.append(int(bytes[i]));
    }
    for (int s : pending)
        emit received(s);
}
