#pragma once

#include "unit/UnitLink.h"

#include <QList>

#include <functional>
#include <limits>

// A line for the unit session where exact timing matters: it records every write with the time
// it came, holds `unsent` bytes in a driver queue of its own choosing, and can refuse to open or
// fail on a given write.
class ScriptedLink : public UnitLink
{
public:
    struct Write
    {
        qint64 atMs;
        QByteArray bytes;
    };

    std::function<qint64()> clock;
    double rate = 960; // bytes per second
    bool opens = true;
    bool open_ = false;
    int failOnWrite = -1; // index of the write that fails and breaks the line
    std::function<qint64()> unsent = [] { return 0; };
    QList<Write> writes;

    bool open() override { return open_ = opens; }
    bool write(const QByteArray& bytes) override
    {
        if (!open_ || writes.size() == failOnWrite)
            return open_ = false;
        writes.append({clock(), bytes});
        return true;
    }
    qint64 unsentBytes() const override { return open_ ? unsent() : 0; }
    bool isOpen() const override { return open_; }
    double bytesPerSecond() const override { return rate; }

    QByteArray all() const
    {
        QByteArray out;
        for (const Write& w : writes)
            out += w.bytes;
        return out;
    }
    qint64 size() const { return bytesBy(std::numeric_limits<qint64>::max()); }
    qint64 bytesBy(qint64 ms) const
    {
        qint64 n = 0;
        for (const Write& w : writes)
            n += w.atMs <= ms ? w.bytes.size() : 0;
        return n;
    }
};
