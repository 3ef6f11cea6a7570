#pragma once

#include <QByteArray>
#include <QString>

// The tool's end of a line in tests: a terminal opened with plain POSIX calls in raw mode.
// Every wait is bounded by a timeout.
class TerminalEnd
{
public:
    TerminalEnd() = default;
    ~TerminalEnd();
    TerminalEnd(const TerminalEnd&) = delete;
    TerminalEnd& operator=(const TerminalEnd&) = delete;

    bool open(const QString& path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    bool writeAll(const QByteArray& bytes, int timeoutMs = 5000);
    // Reads until the received bytes end with tail, or timeoutMs pass; returns what came.
    QByteArray readUntil(const QByteArray& tail, int timeoutMs = 5000);
    // Reads whatever arrives within timeoutMs.
    QByteArray readFor(int timeoutMs);
    // True when the other side closed the line within timeoutMs (hang-up or read error).
    bool waitHangup(int timeoutMs);

private:
    bool readOnce(qint64 leftMs, QByteArray* got);

    int m_fd = -1;
};
