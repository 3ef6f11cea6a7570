#pragma once

#include <QByteArray>
#include <QString>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal: the test keeps the master side, the code under test opens the slave path.
class PtyPair
{
public:
    PtyPair()
    {
        char name[256] = {};
        int slave = -1;
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) == 0) {
            m_slavePath = QString::fromLocal8Bit(name);
            ::close(slave); // the code under test opens the slave itself
        }
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const QString& slavePath() const { return m_slavePath; }
    static QByteArray allByteValues()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        return all;
    }
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    // Blocks until the terminal took every byte.
    bool write(const QByteArray& bytes) const
    {
        return ::write(m_master, bytes.constData(), bytes.size()) == bytes.size();
    }

    // Reads what arrives within msTimeout of the last arrival, up to maxBytes.
    QByteArray read(int maxBytes, int msTimeout) const
    {
        QByteArray out;
        char buffer[4096];
        pollfd p{m_master, POLLIN, 0};
        while (out.size() < maxBytes && ::poll(&p, 1, msTimeout) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(m_master, buffer, std::min<int>(4096, maxBytes - out.size()));
            if (n <= 0)
                break;
            out.append(buffer, n);
        }
        return out;
    }

    // The rate and stop bits the terminal side is set to, as "9600,1": a pseudo-terminal keeps
    // them as its user sets them (parity and data bits it holds at none and 8), and its master
    // reads them. Rates other than 9600 read as -1.
    QString lineFormat() const
    {
        termios t{};
        if (::tcgetattr(m_master, &t) != 0)
            return {};
        return QStringLiteral("%1,%2")
            .arg(::cfgetospeed(&t) == B9600 ? 9600 : -1)
            .arg(t.c_cflag & CSTOPB ? 2 : 1);
    }

private:
    int m_master = -1;
    QString m_slavePath;
};
