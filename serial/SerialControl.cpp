#include "serial/SerialControl.h"

#include "serial/DeviceAccess.h"
#include "serial/PortTable.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <sys/ioctl.h>

namespace {

// Coarse wake-up of a hold, so a stall is noticed even when no signal arrives.
constexpr int HoldTickMs = 50; // the driver queue drains without any signal: look again soon

CommError invalidValue(const QString& what)
{
    return {CommError::InvalidValue, QStringLiteral("Invalid property value: %1").arg(what)};
}

CommError notOpen()
{
    return {CommError::NotOpen, QStringLiteral("Operation valid only when the port is open")};
}

bool hasModemLines(int fd)
{
    int lines = 0;
    return fd >= 0 && ::ioctl(fd, TIOCMGET, &lines) == 0;
}

} // namespace

SerialControl::SerialControl(PortTable* ports, QObject* parent)
    : QObject(parent), m_ports(ports), m_port(new QSerialPort(this))
{
    m_dtr = true;
    m_rts = true;
    connect(m_port, &QSerialPort::readyRead, this, &SerialControl::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialControl::onError);
}

SerialControl::~SerialControl() = default;

CommError SerialControl::setCommPort(qint16 n)
{
    if (PortOpen())
        return {CommError::InvalidWhileOpen,
                QStringLiteral("Operation not valid while the port is opened")};
    m_commPort = n;
    return {};
}

CommError SerialControl::setSettings(const QString& text)
{
    QString why;
    const auto parsed = LineSettings::parse(text, &why);
    if (!parsed)
        return invalidValue(QStringLiteral("Settings \"%1\": %2").arg(text, why));
    if (PortOpen()) {
        const CommError applied = applyLineSettings(*parsed);
        if (!applied.ok()) {
            applyLineSettings(m_settings); // back to the format in force before
            return applied;
        }
    }
    m_settings = *parsed;
    m_settingsText = text;
    return {};
}

CommError SerialControl::setHandshaking(int mode)
{
    if (mode < 0 || mode > 2)
        return invalidValue(
            QStringLiteral("Handshaking %1 (0 none, 1 XON/XOFF, 2 RTS/CTS)").arg(mode));
    const int before = m_handshaking;
    m_handshaking = mode;
    if (!PortOpen())
        return {};
    const CommError applied = applyFlowControl();
    if (!applied.ok()) {
        m_handshaking = before;
        applyFlowControl();
    }
    return applied;
}

CommError SerialControl::setInputMode(int mode)
{
    if (mode != 0 && mode != 1)
        return invalidValue(QStringLiteral("InputMode %1 (0 text, 1 binary)").arg(mode));
    m_inputMode = mode;
    return {};
}

CommError SerialControl::setDTREnable(bool on)
{
    m_dtr = on;
    emit lineAction(on ? DtrOn : DtrOff);
    return PortOpen() ? applyLines() : CommError{};
}

CommError SerialControl::setRTSEnable(bool on)
{
    m_rts = on;
    emit lineAction(on ? RtsOn : RtsOff);
    return PortOpen() ? applyLines() : CommError{};
}

CommError SerialControl::setInputLen(qint16 n)
{
    if (n < 0)
        return invalidValue(QStringLiteral("InputLen %1").arg(n));
    m_inputLen = n;
    return {};
}

CommError SerialControl::setOutBufferSize(qint16 n)
{
    if (n < 1)
        return invalidValue(QStringLiteral("OutBufferSize %1").arg(n));
    m_outBufferSize = n;
    return {};
}

CommError SerialControl::setRThreshold(qint16 n)
{
    if (n < 0)
        return invalidValue(QStringLiteral("RThreshold %1").arg(n));
    m_rThreshold = n;
    return {};
}

bool SerialControl::PortOpen() const
{
    return m_port->isOpen() && !m_lost;
}

CommError SerialControl::setPortOpen(bool open)
{
    if (!open) {
        const bool wasOpen = PortOpen();
        m_port->close();
        m_lost = false;
        if (wasOpen)
            emit lineAction(Closed);
        return {};
    }
    if (PortOpen())
        return {CommError::InvalidWhileOpen,
                QStringLiteral("Operation not valid while the port is opened")};
    if (m_port->isOpen())
        m_port->close(); // a lost port whose deferred close has not run yet
    m_lost = false;
    const CommError opened = openPort();
    if (opened.ok())
        emit lineAction(Opened);
    return opened;
}

CommError SerialControl::openPort()
{
    const QString kept = m_ports ? m_ports->devicePath(m_commPort) : QString();
    if (kept.isEmpty())
        return {CommError::InvalidPort,
                QStringLiteral("Invalid Port Number: COM%1 has no device").arg(m_commPort)};
    const QString device = QFileInfo(kept).canonicalFilePath();
    if (device.isEmpty())
        return {CommError::InvalidPort,
                QStringLiteral("Invalid Port Number: %1 does not exist").arg(kept)};
    const CommError checked =
        DeviceAccess::checkBeforeOpen(device, m_ports->refusal(device), &m_holder);
    if (!checked.ok())
        return checked;
    // Open on a format every device accepts (the chosen one follows, so a refused rate cannot
    // refuse the open), and hold the device by an flock from then on against later programs.
    m_port->setPortName(device);
    applyLineSettings(LineSettings{});
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite) || !PortHolder::holdOwn(m_port->handle())) {
        const auto why = std::make_pair(m_port->error(), m_port->errorString());
        m_port->close(); // not open: only an error, cleared at once
        m_port->clearError();
        return DeviceAccess::classifyOpenFailure(device, why.first, why.second, &m_holder);
    }
    applyLineSettings(m_settings);
    applyFlowControl();
    applyLines();
    m_commEvent = 0;
    m_counters = LineErrorCounters::read(m_port->handle());
    return {};
}

CommError SerialControl::applyLineSettings(const LineSettings& settings)
{
    if (!m_port->setBaudRate(settings.baudRate))
        return {CommError::BaudUnsupported,
                QStringLiteral("The device's baud rate %1 is unsupported: %2")
                    .arg(settings.baudRate)
                    .arg(m_port->errorString())};
    if (!m_port->setParity(settings.parity) || !m_port->setDataBits(settings.dataBits) ||
        !m_port->setStopBits(settings.stopBits))
        return {CommError::SetStateFailed,
                QStringLiteral("Could not set the line format: %1").arg(m_port->errorString())};
    return {};
}

CommError SerialControl::applyFlowControl()
{
    static const QSerialPort::FlowControl modes[] = {
        QSerialPort::NoFlowControl, QSerialPort::SoftwareControl, QSerialPort::HardwareControl};
    if (!m_port->setFlowControl(modes[m_handshaking]))
        return {CommError::SetStateFailed,
                QStringLiteral("Could not set handshaking: %1").arg(m_port->errorString())};
    return {};
}

CommError SerialControl::applyLines()
{
    // Pseudo-terminals and some adapters have no modem lines: nothing to raise or drop there.
    if (!hasModemLines(m_port->handle()))
        return {};
    bool ok = m_port->setDataTerminalReady(m_dtr);
    if (m_handshaking != 2) // with RTS/CTS handshaking the driver owns RTS
        ok = m_port->setRequestToSend(m_rts) && ok;
    if (!ok)
        return {CommError::SetStateFailed,
                QStringLiteral("Could not set DTR/RTS: %1").arg(m_port->errorString())};
    return {};
}

CommError SerialControl::Output(const QByteArray& bytes)
{
    if (!PortOpen())
        return notOpen();
    if (bytes.isEmpty())
        return {};
    if (m_port->write(bytes) != bytes.size())
        return {CommError::WriteFailed, QStringLiteral("Could not queue %1 bytes: %2")
                                            .arg(bytes.size())
                                            .arg(m_port->errorString())};
    return holdUntilPending(m_outBufferSize, -1);
}

QByteArray SerialControl::Input(CommError* error)
{
    if (!PortOpen()) {
        if (error)
            *error = notOpen();
        return {};
    }
    qint64 count = m_port->bytesAvailable();
    if (m_inputLen > 0)
        count = std::min<qint64>(count, m_inputLen);
    if (error)
        *error = {};
    return m_port->read(count);
}

qint16 SerialControl::InBufferCount() const
{
    if (!PortOpen())
        return 0;
    return static_cast<qint16>(std::min<qint64>(m_port->bytesAvailable(), 32767));
}

qint64 SerialControl::OutBufferCount() const
{
    return PortOpen() ? m_port->bytesToWrite() : 0;
}

CommError SerialControl::waitForDrain(int msTimeout)
{
    if (!PortOpen())
        return notOpen();
    return holdUntilPending(0, msTimeout);
}

CommError SerialControl::holdUntilPending(qint64 limit, int overallMs)
{
    const QPointer<SerialControl> self(this);
    QElapsedTimer overall;
    overall.start();
    QElapsedTimer idle;
    idle.start();
    qint64 last = pendingBytes();
    while (PortOpen() && pendingBytes() > limit) {
        const qint64 pending = pendingBytes();
        if (pending < last) {
            last = pending;
            idle.restart();
        }
        qint64 left = m_stallMs - idle.elapsed();
        if (overallMs >= 0)
            left = std::min<qint64>(left, overallMs - overall.elapsed());
        if (left <= 0)
            return {CommError::TransmitStalled,
                    QStringLiteral("Transmit stalled: %1 bytes are still waiting to be sent")
                        .arg(pending)};
        waitForActivity(static_cast<int>(left));
        if (!self)
            return {CommError::PortLost, QStringLiteral("The serial control was deleted")};
        if (m_port->isOpen())
            last = std::min(last, pendingBytes());
    }
    if (!PortOpen())
        return {
            CommError::PortLost,
            QStringLiteral("The port closed while sending: the last %1 bytes were lost").arg(last)};
    return {};
}

qint64 SerialControl::pendingBytes() const
{
    // Bytes still in Qt's queue plus those the driver holds but has not put on the line yet, so
    // that the hold and the drain follow the line itself. A pseudo-terminal reports no driver
    // queue; the bytes its peer has not read yet cannot be seen from this side.
    qint64 kernel = 0;
    int queued = 0;
    if (m_port->isOpen() && ::ioctl(m_port->handle(), TIOCOUTQ, &queued) == 0 && queued > 0)
        kernel = queued;
    return m_port->bytesToWrite() + kernel;
}

void SerialControl::waitForActivity(int ms)
{
    QEventLoop loop;
    QTimer tick;
    tick.setSingleShot(true);
    connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(m_port, &QSerialPort::bytesWritten, &loop, &QEventLoop::quit);
    connect(m_port, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
    connect(m_port, &QSerialPort::aboutToClose, &loop, &QEventLoop::quit);
    tick.start(std::min(ms, HoldTickMs));
    loop.exec();
}

void SerialControl::onReadyRead()
{
    if (m_lost)
        return;
    checkLineErrors();
    if (m_rThreshold > 0 && m_port->bytesAvailable() >= m_rThreshold)
        raise(EvReceive);
}

void SerialControl::checkLineErrors()
{
    if (!m_counters)
        return;
    const auto now = LineErrorCounters::read(m_port->handle());
    if (!now)
        return;
    const QList<int> codes = LineErrorCounters::eventsBetween(*m_counters, *now);
    m_counters = now;
    for (int code : codes)
        raise(static_cast<qint16>(code));
}

void SerialControl::raise(qint16 code)
{
    m_commEvent = code;
    emit OnComm();
}

void SerialControl::onError(QSerialPort::SerialPortError error)
{
    if (m_lost || !m_port->isOpen())
        return;
    CommError lost;
    if (error == QSerialPort::ResourceError)
        lost = {CommError::PortLost, QStringLiteral("The device %1 hung up or was removed")};
    else if (error == QSerialPort::ReadError)
        lost = {CommError::ReadFailed, QStringLiteral("Error reading comm device %1")};
    else if (error == QSerialPort::WriteError)
        lost = {CommError::WriteFailed, QStringLiteral("Error writing comm device %1")};
    else
        return;
    lost.description = lost.description.arg(m_port->portName());
    const qint64 unsent = m_port->bytesToWrite();
    if (unsent > 0)
        lost.description += QStringLiteral("; %1 unsent bytes were lost").arg(unsent);
    m_lost = true; // PortOpen reads False from now on
    // Qt repeats this error for as long as the device stays open; close outside its signal.
    QMetaObject::invokeMethod(
        this,
        [this, lost] {
            if (!m_lost)
                return; // reopened meanwhile
            m_port->close();
            m_lost = false;
            emit portLost(lost);
        },
        Qt::QueuedConnection);
}
