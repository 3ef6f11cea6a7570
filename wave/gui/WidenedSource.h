#pragma once

#include <QByteArray>
#include <QIODevice>

// Unsigned 8-bit samples read as signed 16-bit ones ((v - 128) << 8), in place: the slice is never
// copied. 8-bit sound is played this way because some sound servers (PipeWire's pulse server)
// fill gaps at a stream's start and end with zero bytes, which in unsigned 8-bit are full-scale
// clicks; 16-bit silence is zero everywhere.
class WidenedSource : public QIODevice
{
public:
    explicit WidenedSource(const QByteArray& samples); // read in place: must outlive the source
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override { return m_next >= m_samples.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_samples;
    qint64 m_next = 0;
};
