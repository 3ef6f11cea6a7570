#pragma once

#include <QList>
#include <QString>

class QSerialPortInfo;

// One serial device as the system lists it; plain data so that callers can feed a list.
struct PortCandidate
{
    QString systemLocation; // e.g. /dev/ttyUSB0
    QString description;
    QString serialNumber;
    bool hasVendorId = false;
    quint16 vendorId = 0;
    bool hasProductId = false;
    quint16 productId = 0;

    static PortCandidate fromInfo(const QSerialPortInfo& info);
    static QList<PortCandidate> systemPorts();
};
