#include "wave/gui/SliceSource.h"

#include <algorithm>
#include <cstring>

SliceSource::SliceSource(const QByteArray& samples, Options options)
    : m_samples(samples), m_options(options)
{
    if (m_options.loop) {
        const qint64 frame = std::max(1, m_options.frameBytes);
        m_samples.truncate(m_samples.size() / frame * frame);
    }
    open(QIODevice::ReadOnly);
}

qint64 SliceSource::bytesAvailable() const
{
    // A loop is always a whole round ahead, so the reader never sees it end.
    const qint64 left = m_options.loop ? m_samples.size() : m_samples.size() - m_next;
    return (m_options.widen ? 2 : 1) * left + QIODevice::bytesAvailable();
}

qint64 SliceSource::readData(char* data, qint64 maxSize)
{
    qint64 done = readOnce(data, maxSize);
    while (m_options.loop && !m_samples.isEmpty()) {
        if (m_next >= m_samples.size())
            m_next = 0; // at once, so a loop never looks at its end between reads
        if (done >= maxSize - 1)
            break;
        done += readOnce(data + done, maxSize - done);
    }
    return done;
}

qint64 SliceSource::readOnce(char* data, qint64 maxSize)
{
    const auto* in = reinterpret_cast<const uchar*>(m_samples.constData()) + m_next;
    if (!m_options.widen) {
        const qint64 count = std::min<qint64>(maxSize, m_samples.size() - m_next);
        std::memcpy(data, in, size_t(count));
        m_next += count;
        return count;
    }
    const qint64 count = std::min<qint64>(maxSize / 2, m_samples.size() - m_next);
    for (qint64 i = 0; i < count; ++i) { // little-endian: low byte zero, high byte v - 128
        data[2 * i] = 0;
        data[2 * i + 1] = char(in[i] ^ 0x80);
    }
    m_next += count;
    return 2 * count;
}
