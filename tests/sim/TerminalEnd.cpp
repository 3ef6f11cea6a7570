#include "TerminalEnd.h"

#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

TerminalEnd::~TerminalEnd()
{
    close();
}

bool TerminalEnd::open(const QString& path)
{
    close();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    if (m_fd < 0 || tcgetattr(m_fd, &raw) != 0)
        return false;
    cfmakeraw(&raw);
    return tcsetattr(m_fd, TCSANOW, &raw) == 0;
}

void TerminalEnd::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool TerminalEnd::writeAll(const QByteArray& bytes, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const qint64 left = timeoutMs - clock.elapsed();
        pollfd p{m_fd, POLLOUT, 0};
        if (left <= 0 || poll(&p, 1, int(left)) < 0)
            return false;
    }
    return true;
}

bool TerminalEnd::readOnce(qint64 leftMs, QByteArray* got)
{
    pollfd p{m_fd, POLLIN, 0};
    if (leftMs <= 0 || poll(&p, 1, int(leftMs)) <= 0)
        return false;
    char buffer[4096];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n > 0)
        got->append(buffer, n);
    return n > 0 || (n < 0 && errno == EAGAIN);
}

QByteArray TerminalEnd::readUntil(const QByteArray& tail, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QByteArray got;
    while (!got.endsWith(tail) && readOnce(timeoutMs - clock.elapsed(), &got)) {
    }
    return got;
}

QByteArray TerminalEnd::readFor(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QByteArray got;
    while (readOnce(timeoutMs - clock.elapsed(), &got)) {
    }
    return got;
}

bool TerminalEnd::waitHangup(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, int(timeoutMs - clock.elapsed())) <= 0)
            return false;
        if (p.revents & (POLLHUP | POLLERR))
            return true;
        char buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EAGAIN))
            return true;
    }
    return false;
}
