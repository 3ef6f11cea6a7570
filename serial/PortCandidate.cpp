#include "serial/PortCandidate.h"

#include <QSerialPortInfo>

PortCandidate PortCandidate::fromInfo(const QSerialPortInfo& info)
{
    PortCandidate candidate;
    candidate.systemLocation = info.systemLocation();
    candidate.description = info.description();
    candidate.serialNumber = info.serialNumber();
    candidate.hasVendorId = info.hasVendorIdentifier();
    candidate.vendorId = info.vendorIdentifier();
    candidate.hasProductId = info.hasProductIdentifier();
    candidate.productId = info.productIdentifier();
    return candidate;
}

QList<PortCandidate> PortCandidate::systemPorts()
{
    QList<PortCandidate> list;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        list.append(fromInfo(info));
    return list;
}
