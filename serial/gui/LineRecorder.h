#pragma once

#include "serial/LineLog.h"
#include "serial/SerialControl.h"

#include <QElapsedTimer>

// Keeps the line log of the serial link: the bytes SendCom hands to the port, the bytes read
// from it, and the port's events, timed in ms since the program's serial side started. The
// probe's own opening and closing of every port is left out; only its result is logged.
class LineRecorder
{
public:
    LineRecorder();

    void Sent(const QByteArray& bytes);
    void Received(const QByteArray& bytes);
    void Event(const QString& text);
    // What a property write of the control did to the line (port n is the one in use).
    void LineAction(SerialControl::LineAction action, int port);
    void setProbing(bool probing) { m_probing = probing; }

    const LineLog& Log() const { return m_log; }
    qint64 Now() const { return m_clock.elapsed(); }

private:
    LineLog m_log;
    QElapsedTimer m_clock;
    bool m_probing = false;
    bool m_open = false;
};
