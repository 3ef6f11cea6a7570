#pragma once

#include "unit/cli/FlashOptions.h"
#include "unit/cli/UnitCycle.h"

#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

// One run of pelorin-flash after its command line was read: the wave slice, the ports, one
// cycle per port on the one event loop, the progress, the summary and the exit status.
class LoadedWave;

class FlashRun : public QObject
{
    Q_OBJECT
public:
    enum Exit
    {
        AllDone = 0,
        UnitFailed = 1,
        BadUsage = 2,
        PortFailed = 3,
    };

    FlashRun(const FlashOptions& options, QTextStream& out, QTextStream& err,
             QObject* parent = nullptr);

    // Runs to the end and returns the exit status.
    int exec();
    // Stops every unit at its next block (a signal arrived).
    void stop(int signalNumber);

private:
    bool prepareJob(UnitCycle::Job* job);
    bool convertIfNeeded(WaveDestination dest, LoadedWave& wave);
    bool resolvePorts();
    QString copyFileFor(int index, int count) const;
    void showProgress();
    int finish(bool portFailed);

    const FlashOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    QTemporaryDir m_stores;
    struct Target
    {
        QString port;    // as given
        QString device;  // the device it leads to; empty when there is none
        QString missing; // why there is none
    };
    QList<Target> m_targets;
    QList<UnitCycle*> m_cycles; // children
    QTimer m_progress;
    bool m_terminal = false;
    int m_lines = 0;
    int m_signal = 0;
};
