#include "unit/cli/PortLink.h"
#include "app/settings/AppSettings.h"

#include "app/settings/RegEdit.h"
#include "serial/PortTable.h"
#include "serial/ReplyAssembler.h"
#include "serial/SerialControl.h"

namespace {
const QString kAppKey = QStringLiteral("pelorin-flash");
constexpr qint16 kComNumber = 1;
constexpr qint16 kBufferBytes = 2500;
} // namespace

PortLink::PortLink(const QString& devicePath, const QString& storeFile, QObject* parent)
    : QObject(parent), m_store(std::make_unique<RegEdit>(storeFile)),
      m_table(std::make_unique<PortTable>(*m_store, kAppKey))
{
    AppSettings::SetPortDevice(*m_store, kComNumber, devicePath, kAppKey);
    m_control = new SerialControl(m_table.get(), this);
    connect(m_control, &SerialControl::OnComm, this, [this] {
        if (m_control->CommEvent() == SerialControl::EvReceive)
            readReplies();
    });
    connect(m_control, &SerialControl::lineAction, this, [this](SerialControl::LineAction action) {
        if (action == SerialControl::Closed)
            m_broken = true;
    });
    connect(m_control, &SerialControl::portLost, this, [this](const CommError& error) {
        m_broken = true;
        m_failure = error.description;
    });
}

PortLink::~PortLink() = default;

bool PortLink::open()
{
    if (m_control->PortOpen()) {
        m_broken = false;
        return true;
    }
    // The window's line settings, set while closed so the open applies them at once; every
    // arrival raises the receive event, so short answers such as "QXERA" are seen at once.
    SerialControl& c = *m_control;
    CommError e = c.setCommPort(kComNumber);
    for (const CommError& step :
         {c.setSettings(QStringLiteral("9600,N,8,1")), c.setHandshaking(0), c.setInputMode(1),
          c.setDTREnable(true), c.setRTSEnable(true), c.setInputLen(kBufferBytes),
          c.setOutBufferSize(kBufferBytes), c.setRThreshold(1)})
        e = e.ok() ? step : e;
    if (e.ok())
        e = c.setPortOpen(true);
    m_failure = e.description;
    m_broken = !e.ok() || !c.PortOpen();
    return !m_broken;
}

bool PortLink::write(const QByteArray& bytes)
{
    if (!isOpen())
        return false;
    const CommError e = m_control->Output(bytes);
    if (!e.ok())
        m_failure = e.description;
    return e.ok();
}

qint64 PortLink::unsentBytes() const
{
    return m_control->unsentBytes();
}

bool PortLink::isOpen() const
{
    return !m_broken && m_control->PortOpen();
}

double PortLink::bytesPerSecond() const
{
    return m_control->lineBytesPerSecond();
}

void PortLink::close()
{
    if (!m_control->PortOpen())
        return;
    m_control->setDTREnable(false);
    m_control->setRTSEnable(false);
    m_control->setPortOpen(false);
}

void PortLink::readReplies()
{
    while (m_control->InBufferCount() > 0) {
        const QByteArray bytes = m_control->Input();
        if (bytes.isEmpty())
            break;
        m_rx.append(bytes);
    }
    for (const QByteArray& line : ReplyAssembler::consumeLines(m_rx))
        emit replyLine(line);
}
