#pragma once

#include "serial/CommError.h"

#include <QSerialPort>

class PortHolder;
#include <QString>

// Classifies why a serial device cannot be opened, in the failure numbers of CommError.
class DeviceAccess
{
public:
    // Checks that need no open: missing path (InvalidPort), no right to look (PermissionDenied),
    // not a character device or a refusal given (NotSerialDevice), held by another program as
    // the holder finds (PortInUse, naming it). Success when the open may be tried.
    static CommError checkBeforeOpen(const QString& path, const QString& refusal = {},
                                     const PortHolder* holder = nullptr);

    // Turns a refused QSerialPort::open into a failure number, looking at the device again to
    // tell a held device (PortInUse, naming the holder when the holder finds one) from missing
    // rights (PermissionDenied).
    static CommError classifyOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                                         const QString& errorText,
                                         const PortHolder* holder = nullptr);

    // "Permission denied on <path>: ..." naming the device's group and how to join it.
    static QString permissionText(const QString& path);
};
