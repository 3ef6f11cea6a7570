#pragma once

#include "unit/WaveDestination.h"

#include <QByteArray>
#include <QtGlobal>

// One write to the unit, frame by frame: the write command, the encoded frames and the
// terminator, cut into the hand-overs the port receives. The caller reads each frame, feeds it
// with the level of the moment and, whenever AddFrame returns true, hands TakeChunk() to the
// port. Finish() yields the last hand-over (ending with the terminator) also after an early stop.
//
//   DownloadPlan plan(dest, bits, size);
//   while (!plan.AtEnd()) {
//       const qint32 i = plan.NextFrame();
//       if (plan.AddFrame(sample(start + i), level())) {
//           send(plan.TakeChunk());  // then show plan.Progress() and process events
//       }
//       if (stopRequested()) break;
//   }
//   send(plan.Finish());            // plan.Stream() is now the whole write stream
class DownloadPlan
{
public:
    // True when a slice of sliceFrames frames exceeds the unit's limit, so the user must be
    // asked before it is cut down.
    static bool NeedsTruncation(qint32 sliceFrames);

    // size is the number of frames to send; negative counts as 0 and anything above the unit's
    // limit is cut to it. dest DestNone plans nothing: Finish() returns an empty chunk.
    DownloadPlan(WaveDestination dest, int bitsPerSample, qint32 size);

    qint32 Size() const { return m_size; }
    // Bytes of the whole write stream when it runs to its end: command, data and terminator
    // (0 for DestNone).
    qint64 PlannedBytes() const;
    qint32 NextFrame() const { return m_next; }
    bool AtEnd() const { return m_finished || m_next >= m_size; }

    // Encodes frame NextFrame() with the given level. Returns true when the chunk is due for
    // hand-over now (after frame 0 and after every 256th frame). Ignored once AtEnd().
    bool AddFrame(double x, int level);
    // The bytes gathered since the last hand-over; they count as sent from now on.
    QByteArray TakeChunk();
    // Progress in percent at the last hand-over: frame * 100 / size in single precision.
    float Progress() const { return m_progress; }
    // Appends the terminator to what is left and returns it as the last hand-over.
    // Later calls return an empty chunk.
    QByteArray Finish();

    // Every byte handed over so far, in order; the content of the copy file.
    const QByteArray& Stream() const { return m_stream; }

private:
    WaveDestination m_dest;
    int m_bitsPerSample;
    qint32 m_size;
    qint32 m_next = 0;
    float m_progress = 0.0f;
    bool m_finished = false;
    QByteArray m_chunk;
    QByteArray m_stream;
};
