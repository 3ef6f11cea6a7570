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
        QByteArray out(maxBytes, Qt::Uninitialized);
        qsizetype got = 0, n = 0;
        pollfd p{m_master, POLLIN, 0};
        while (got<maxBytes&& ::poll(&p, 1, msTimeout)> 0 && (p.revents & POLLIN) &&
               (n = ::read(m_master, out.data() + got, maxBytes - got)) > 0)
            got += n;
        return out.left(got);
    }
    // The rate and stop bits the terminal side is set to, as "9600,1": a pseudo-terminal keeps
    // them as its user sets them (parity and data bits it holds at none and 8), and its master
    // reads them. Rates other than 9600 read as -1.
    QString lineFormat() const
    {
        termios t{};
        const bool read = ::tcgetattr(m_master, &t) == 0;
        const int rate = ::cfgetospeed(&t) == B9600 ? 9600 : -1;
        return read ? QStringLiteral("%1,%2").arg(rate).arg(t.c_cflag & CSTOPB ? 2 : 1) : QString();
    }

private:
    int m_master = -1;
    QString m_slavePath;
};
