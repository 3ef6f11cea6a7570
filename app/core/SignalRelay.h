#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a signal of the event loop, so the program ends the way
// its Exit does (a running download stops, terminates and drains first) instead of dying in the
// middle of a command. One relay per process; the handler only writes one byte to a pipe.
class SignalRelay : public QObject
{
    Q_OBJECT
public:
    explicit SignalRelay(QObject* parent = nullptr);
    ~SignalRelay() override;

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};
