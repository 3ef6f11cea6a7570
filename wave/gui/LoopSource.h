#pragma once

#include <QByteArray>
#include <QIODevice>

// A sound read round and round without end: the bytes of whole frames, handed out from the start
// again each time the end is reached, until the reader stops. An empty sound reads as at its end.
class LoopSource : public QIODevice
{
public:
    LoopSource(QByteArray frames, int bytesPerFrame);
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override { return m_frames.isEmpty(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_frames;
    qint64 m_next = 0;
};
