#pragma once

#include "CommError.h"

#include <QSerialPort>
#include <QString>

// Classifies why a serial device cannot be opened, in the failure numbers of CommError.
class DeviceAccess
{
public:
    // Checks that need no open: missing path (InvalidPort), no right to look (PermissionDenied),
    // not a character device (NotSerialDevice). Success when the open may be tried.
    static CommError checkBeforeOpen(const QString& path);

    // Turns a refused QSerialPort::open into a failure number, looking at the device again to
    // tell a held device (PortInUse) from missing rights (PermissionDenied).
    static CommError classifyOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                                         const QString& errorText);

    // "Permission denied on <path>: ..." naming the device's group and how to join it.
    static QString permissionText(const QString& path);
};
