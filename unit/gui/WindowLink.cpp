#include "unit/gui/WindowLink.h"

#include "serial/gui/SerialController.h"

WindowLink::WindowLink(SerialController& serial, QObject* parent)
    : QObject(parent), m_serial(serial)
{
    SerialControl& control = m_serial.MSComm1();
    connect(&control, &SerialControl::lineAction, this, [this](SerialControl::LineAction action) {
        if (action == SerialControl::Closed)
            m_broken = true;
    });
    connect(&control, &SerialControl::portLost, this, [this] { m_broken = true; });
}

bool WindowLink::open()
{
    SerialControl& control = m_serial.MSComm1();
    if (!control.PortOpen())
        m_serial.StartCom();
    m_broken = !control.PortOpen();
    return !m_broken;
}

bool WindowLink::write(const QByteArray& bytes)
{
    // SendCom would reopen a closed port; a command never writes past a gap in its stream.
    if (!isOpen())
        return false;
    return m_serial.SendCom(bytes);
}

qint64 WindowLink::unsentBytes() const
{
    return m_serial.MSComm1().unsentBytes();
}

bool WindowLink::isOpen() const
{
    return !m_broken && m_serial.MSComm1().PortOpen();
}

double WindowLink::bytesPerSecond() const
{
    return m_serial.MSComm1().lineBytesPerSecond();
}
