#pragma once

#include "WaveDestination.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

struct AppState;
struct MainControls;
class DownloadPlan;
class LoadedWave;
class SerialController;
class Toolkit;

// One download of the chosen slice to the unit, run inside the Send click: the truncation
// question, the write stream handed to the port every 256 frames with the level read for each
// frame, progress, Stop Transfer, the terminator (after a stop too), the wait until the port has
// sent everything, the status text and the copy file beside the WAV file.
// Progress is shown after each hand-over returns; as the port holds its caller while its buffer
// is full, the bar follows the bytes leaving the program, not the bytes encoded.
class DownloadRunner
{
public:
    enum class Outcome
    {
        Declined,  // the truncation question was answered Cancel: nothing sent
        Completed, // every frame sent and the port drained
        Stopped,   // Stop Transfer: the stream ends early, terminator sent
        Failed     // every frame handed over, but the port did not send them all
    };

    static const QString DownloadingText;
    static const QString CompletedText;
    static const QString AbortedText;
    static const QString FailedText;

    DownloadRunner(MainControls& controls, AppState& state, const LoadedWave& wave,
                   Toolkit& toolkit, SerialController& serial);

    Outcome Run(WaveDestination dest);

private:
    bool AgreeSize(WaveDestination dest, qint32& size);
    std::vector<double> SliceValues(qint32 size) const;
    bool SendFrames(DownloadPlan& plan, const std::vector<double>& values);
    bool Drain(qint64 streamBytes);
    void ShowEnd(Outcome outcome, qint32 framesSent);

    MainControls& m_c;
    AppState& m_state;
    const LoadedWave& m_wave;
    Toolkit& m_toolkit;
    SerialController& m_serial;
};
