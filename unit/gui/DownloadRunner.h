#pragma once

#include "unit/DownloadClock.h"
#include "unit/UnitSession.h"
#include "unit/WaveDestination.h"

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

struct MainControls;
class LoadedWave;
class Toolkit;

// The window side of one download, run inside the Send click: the truncation question, the
// slice read once at the start, the level read from its scroll bar for every block, the progress
// bar and Transfered box following what the line took, the status text at the end and the copy
// file of every byte that left, and the times: gone and left over the bar while it runs (once a
// second at least, so a stalled line shows), the duration and rate after the status at the end.
// The unit session does the streaming.
class DownloadRunner
{
public:
    static const QString DownloadingText;
    static const QString CompletedText;
    static const QString UnconfirmedText;
    static const QString AbortedText;
    static const QString FailedText;

    DownloadRunner(MainControls& controls, const LoadedWave& wave, Toolkit& toolkit,
                   UnitSession& session);

    // Returns when the download has ended; nothing when the truncation question was cancelled.
    std::optional<UnitSession::Result> Run(WaveDestination dest);

private:
    bool AgreeSize(WaveDestination dest, qint32& size);
    void ShowProgress(double percent);
    void ShowTimes();
    void ShowEnd(UnitSession::Result result, const QString& copyName);

    MainControls& m_c;
    const LoadedWave& m_wave;
    Toolkit& m_toolkit;
    UnitSession& m_session;
    QElapsedTimer m_elapsed;
    std::optional<DownloadClock> m_clock;
};
