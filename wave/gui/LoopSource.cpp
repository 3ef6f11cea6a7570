#include "wave/gui/LoopSource.h"

#include <algorithm>
#include <cstring>

LoopSource::LoopSource(QByteArray frames, int bytesPerFrame) : m_frames(std::move(frames))
{
    // Only whole frames loop: a cut frame would shift the channels on every round.
    m_frames.truncate(bytesPerFrame > 0 ? m_frames.size() / bytesPerFrame * bytesPerFrame : 0);
    open(QIODevice::ReadOnly);
}

qint64 LoopSource::bytesAvailable() const
{
    // Always one round ahead, so a reader never sees the sound as ending.
    return m_frames.size() + QIODevice::bytesAvailable();
}

qint64 LoopSource::readData(char* data, qint64 maxSize)
{
    if (m_frames.isEmpty())
        return 0;
    qint64 done = 0;
    while (done < maxSize) {
        const qint64 n = std::min(maxSize - done, m_frames.size() - m_next);
        std::memcpy(data + done, m_frames.constData() + m_next, size_t(n));
        done += n;
        m_next = (m_next + n) % m_frames.size();
    }
    return done;
}
