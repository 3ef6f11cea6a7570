#pragma once

#include <QByteArray>
#include <QtGlobal>

// The serial line as a unit session uses it: a byte sink with a view of its own queue. The
// session asks open() once before a command; from then on isOpen() stays false once the line has
// closed or failed, even if something opened it again, so a command never writes into a line
// that lost bytes. Reply lines reach the session through UnitSession::replyLine.
class UnitLink
{
public:
    virtual ~UnitLink() = default;

    // Makes sure the line is open for the command that starts now; false when it cannot be.
    virtual bool open() = 0;
    // Queues every byte in order; false when nothing could be written.
    virtual bool write(const QByteArray& bytes) = 0;
    // Bytes taken by write() that have not left the program and the driver yet, as far as the
    // driver tells (a pseudo-terminal tells nothing: 0).
    virtual qint64 unsentBytes() const = 0;
    // The line has stayed open since the last open().
    virtual bool isOpen() const = 0;
    // Bytes the line carries per second at its current settings (9600 baud 8N1: 960).
    virtual double bytesPerSecond() const = 0;
};
