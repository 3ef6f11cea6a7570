#include "sim/SignalPipe.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
volatile sig_atomic_t writeEnd = -1;

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    if (writeEnd >= 0)
        (void)!write(writeEnd, &byte, 1);
    errno = savedErrno;
}
} // namespace

SignalPipe::~SignalPipe()
{
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    writeEnd = -1;
    if (m_read >= 0)
        close(m_read);
    if (m_write >= 0)
        close(m_write);
}

bool SignalPipe::install(QString* error)
{
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        *error = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    m_read = fds[0];
    m_write = fds[1];
    writeEnd = m_write;
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0) {
        *error = QStringLiteral("sigaction: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true;
}

bool SignalPipe::takeSignal()
{
    char buffer[64];
    bool any = false;
    while (read(m_read, buffer, sizeof buffer) > 0)
        any = true;
    return any;
}
