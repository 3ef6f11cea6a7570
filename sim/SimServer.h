#pragma once

#include "sim/FlashStore.h"
#include "sim/LinePacer.h"
#include "sim/PseudoTerminal.h"
#include "sim/SignalPipe.h"
#include "sim/SimOptions.h"
#include "sim/UnitModel.h"

#include <QElapsedTimer>
#include <memory>

// Serves a UnitModel on a pseudo-terminal: paces both directions, runs the erase timers, keeps
// the FLASH folder up to date and ends on SIGINT or SIGTERM. A single-threaded poll loop.
class SimServer
{
public:
    explicit SimServer(const SimOptions& options);

    // Opens the FLASH folder and the terminal and makes the link.
    bool start(QString* error);
    // Serves until a signal arrives; returns the exit status.
    int run();

private:
    qint64 nowMs() const { return m_clock.elapsed(); }
    int pollTimeout(qint64 now, short* masterEvents);
    void readInput();
    void writeOutput();
    void storeEvents();
    void reportStoreError(const QString& error);

    SimOptions m_options;
    UnitModel m_model;
    PseudoTerminal m_line;
    SignalPipe m_signals;
    std::unique_ptr<FlashStore> m_store;
    QElapsedTimer m_clock;
    LinePacer m_inPacer;
    LinePacer m_outPacer;
    qint64 m_quietUntil = 0; // after a hang-up seen on the master, look again only then
    bool m_storeFailed = false;
};
