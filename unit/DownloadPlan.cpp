#include "unit/DownloadPlan.h"

#include "unit/DestinationInfo.h"
#include "unit/DownloadEncoder.h"
#include "unit/UnitProtocol.h"

#include <algorithm>

bool DownloadPlan::NeedsTruncation(qint32 sliceFrames)
{
    return sliceFrames > UnitProtocol::MaxDownloadSamples;
}

DownloadPlan::DownloadPlan(WaveDestination dest, int bitsPerSample, qint32 size)
    : m_dest(DestinationInfo::FromValue(dest)), m_bitsPerSample(bitsPerSample),
      m_size(std::clamp(size, 0, UnitProtocol::MaxDownloadSamples)),
      m_chunk(UnitProtocol::WriteCommand(m_dest))
{
    if (m_dest == DestNone) {
        m_size = 0; // no command to write to, so no frames either
        return;
    }
    m_stream.reserve(PlannedBytes());
}

qint64 DownloadPlan::PlannedBytes() const
{
    if (m_dest == DestNone)
        return 0;
    const qint64 dataBytes = qint64(m_size) * DestinationInfo::Of(m_dest).BytesPerSample();
    return UnitProtocol::WriteCommand(m_dest).size() + dataBytes + UnitProtocol::TerminatorLength;
}

bool DownloadPlan::AddFrame(double x, int level)
{
    if (AtEnd()) {
        return false;
    }
    const qint32 i = m_next++;
    DownloadEncoder::EncodeSample(m_chunk, x, m_bitsPerSample, m_dest, level);
    if (i % UnitProtocol::SendChunkSamples != 0) {
        return false;
    }
    // i * 100 stays below 2^24, so the numerator is exact in single precision.
    m_progress = static_cast<float>(i * 100) / static_cast<float>(m_size);
    return true;
}

QByteArray DownloadPlan::TakeChunk()
{
    QByteArray chunk;
    chunk.swap(m_chunk);
    m_stream.append(chunk);
    return chunk;
}

QByteArray DownloadPlan::Finish()
{
    if (m_finished) {
        return {};
    }
    m_finished = true;
    if (m_dest == DestNone) {
        return {};
    }
    m_chunk.append(UnitProtocol::Terminator());
    return TakeChunk();
}
