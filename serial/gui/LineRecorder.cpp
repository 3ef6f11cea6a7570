#include "serial/gui/LineRecorder.h"

LineRecorder::LineRecorder()
{
    m_clock.start();
}

void LineRecorder::Sent(const QByteArray& bytes)
{
    m_log.add(Now(), LineLog::Direction::Sent, bytes);
}

void LineRecorder::Received(const QByteArray& bytes)
{
    m_log.add(Now(), LineLog::Direction::Received, bytes);
}

void LineRecorder::Event(const QString& text)
{
    m_log.addEvent(Now(), text);
}

void LineRecorder::LineAction(SerialControl::LineAction action, int port)
{
    using A = SerialControl::LineAction;
    if (m_probing)
        return;
    const QString name = QStringLiteral("COM%1 ").arg(port);
    switch (action) {
    case A::Opened:
        m_open = true;
        Event(name + QStringLiteral("opened"));
        return;
    case A::Closed:
        m_open = false;
        Event(name + QStringLiteral("closed"));
        return;
    default:
        break;
    }
    if (!m_open) // set on a closed port, the lines only take effect at the open
        return;
    static const char* const texts[] = {"DTR on", "DTR off", "RTS on", "RTS off"};
    Event(name + QLatin1String(texts[int(action)]));
}
