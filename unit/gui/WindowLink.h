#pragma once

#include "unit/UnitLink.h"

#include <QObject>

class SerialController;

// The main window's port as the unit session's line: commands open it the way SendCom does,
// every write goes through SendCom (link colours, failure texts), and a port that closes or is
// lost during a command stays broken for that command even if something reopens it.
class WindowLink : public QObject, public UnitLink
{
    Q_OBJECT
public:
    explicit WindowLink(SerialController& serial, QObject* parent = nullptr);

    bool open() override;
    bool write(const QByteArray& bytes) override;
    qint64 unsentBytes() const override;
    bool isOpen() const override;
    double bytesPerSecond() const override;

private:
    SerialController& m_serial;
    bool m_broken = true;
};
