#pragma once

#include <QString>

// Outcome of one operation of the serial-port control: number 0 is success, any other number
// is a failure with a description for the user.
struct CommError
{
    // Failure numbers of the serial-port control.
    enum Number : int
    {
        Success = 0,
        InvalidValue = 380,      // a property value out of range, or unreadable Settings text
        InvalidWhileOpen = 8000, // CommPort changed, or PortOpen set True, while the port is open
        InvalidPort = 8002,      // no device for the COM number, or the device does not exist
        PortInUse = 8005,        // another program (or another control here) holds the device
        NotSerialDevice = 8006,  // the path is no terminal: regular file, /dev/null, directory
        BaudUnsupported = 8007,  // the device refused the baud rate
        PermissionDenied = 8010, // no right to open the device; the text names its group
        SetStateFailed = 8015,   // the device refused parity, data/stop bits, handshake or lines
        NotOpen = 8018,          // Output or Input while the port is closed
        ReadFailed = 8020,       // reading the device failed; the port has been closed
        TransmitStalled = 8030,  // no byte left for the stall time; the bytes stay queued
        WriteFailed = 8031,      // writing the device failed; the port has been closed
        PortLost = 8040,         // hang-up or unplugged adapter; the port has been closed
        OpenFailed = 8090,       // any other refusal of the open, with the system's text
    };

    int number = Success;
    QString description;

    bool ok() const { return number == Success; }
};
