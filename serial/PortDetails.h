#pragma once

#include <QString>

// What the COM menu tells about one port number (tooltip of a port item).
struct PortDetails
{
    QString devicePath;   // as kept in the port table; empty: no device for the number
    QString resolvedPath; // device after following links; empty when it does not exist now
    QString description;
    QString usbId; // "vvvv:pppp" in lower-case hex, empty when not a USB device
    QString serialNumber;

    bool hasDevice() const { return !devicePath.isEmpty(); }
    bool present() const { return !resolvedPath.isEmpty(); }

    // One line per known fact; "No device" when the number has none.
    QString tooltipText() const;
};
