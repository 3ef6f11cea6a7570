#pragma once

#include <QByteArray>
#include <QIODevice>

// The bytes of a slice read in place (never copied), as 16-bit sound: unsigned 8-bit samples are
// widened to signed 16-bit ones ((v - 128) << 8) as they are read. 8-bit sound is played this way
// because some sound servers (PipeWire's pulse server) fill gaps at a stream's start and end with
// zero bytes, which in unsigned 8-bit are full-scale clicks; 16-bit silence is zero everywhere.
// A looping source starts again from the first frame at the end, until the reader stops; only
// whole frames of frameBytes loop, so the channels never shift.
class SliceSource : public QIODevice
{
public:
    struct Options
    {
        bool widen = false; // the samples are unsigned 8-bit
        bool loop = false;
        int frameBytes = 1; // of the samples as given
    };
    SliceSource(const QByteArray& samples, Options options); // must outlive the source
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override
    {
        return m_options.loop ? m_samples.isEmpty() : m_next >= m_samples.size();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 readOnce(char* data, qint64 maxSize);

    QByteArray m_samples;
    Options m_options;
    qint64 m_next = 0;
};
