#pragma once

#include <QString>

// Turns SIGINT and SIGTERM into a readable descriptor for a poll loop (the self-pipe trick).
// One per process.
class SignalPipe
{
public:
    SignalPipe() = default;
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    bool install(QString* error);
    int readFd() const { return m_read; }
    // Drains the pipe; true if a signal arrived.
    bool takeSignal();

private:
    int m_read = -1;
    int m_write = -1;
};
