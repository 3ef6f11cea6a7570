#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <utility>

// Records the monitor of the null sink "pelorin_null" (16-bit stereo at Rate) with the arrival
// time of every piece, so that moments of a test can be matched to places in the sound. A silent
// low-latency stream keeps the sink awake meanwhile: a null sink that has been idle holds new
// sound back for about two seconds.
class SinkRecorder
{
public:
    static constexpr int Rate = 48000;
    static constexpr int Loud = 2000; // a recorded sample above this is sound, not silence

    ~SinkRecorder();
    // Starts both streams and lets them settle; false when either cannot run.
    bool Start();
    // Whether a sound server with the null sink answers.
    static bool ServerAvailable();

    qint64 Now() const { return m_clock.elapsed(); }
    qint64 Frames() const { return m_pcm.size() / 4; }
    int Sample(qint64 frame, int channel) const;
    // The moment the given frame arrived; -1 when it has not.
    qint64 TimeOf(qint64 frame) const;
    // First and one past the last loud frame of a channel from `from` on; {-1, -1} when silent.
    std::pair<qint64, qint64> Sound(qint64 from = 0, int channel = 0) const;
    // Upward zero crossings between two frames: the cycles heard, however the sound was spread.
    qint64 Crossings(qint64 from, qint64 to, int channel = 0) const;
    // The frequency of the middle period between two frames; gaps a busy server leaves in the
    // sound do not move it.
    double Frequency(qint64 from, qint64 to, int channel = 0) const;

private:
    QElapsedTimer m_clock;
    QProcess m_keepAwake;
    QProcess m_rec;
    QByteArray m_pcm;
    QList<std::pair<qint64, qint64>> m_arrivals; // (ms, bytes received by then)
};
