#pragma once

#include <QByteArray>
#include <QString>

#include <poll.h>
#include <pty.h>
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

private:
    int m_master = -1;
    QString m_slavePath;
};
