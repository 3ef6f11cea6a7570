#include "wave/gui/WidenedSource.h"

#include <algorithm>

WidenedSource::WidenedSource(const QByteArray& samples) : m_samples(samples)
{
    open(QIODevice::ReadOnly);
}

qint64 WidenedSource::bytesAvailable() const
{
    return 2 * (m_samples.size() - m_next) + QIODevice::bytesAvailable();
}

qint64 WidenedSource::readData(char* data, qint64 maxSize)
{
    const qint64 count = std::min<qint64>(maxSize / 2, m_samples.size() - m_next);
    const auto* in = reinterpret_cast<const uchar*>(m_samples.constData()) + m_next;
    for (qint64 i = 0; i < count; ++i) { // little-endian: low byte zero, high byte v - 128
        data[2 * i] = 0;
        data[2 * i + 1] = char(in[i] ^ 0x80);
    }
    m_next += count;
    return 2 * count;
}
