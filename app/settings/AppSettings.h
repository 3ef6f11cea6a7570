#pragma once

#include "app/settings/RegEdit.h"

#include <QString>

// The values Pelorin keeps in its settings store, read and written through typed functions so
// that no caller spells a section or value name: the port in use ("FormInit\ComPort", kept as
// text such as " 3") and the port table ("Ports\COM<n>" = the device path).
class AppSettings
{
public:
    // The application's key in the store; also the program's title.
    static inline const QString AppKey = QStringLiteral("Pelorin142E");

    // The saved port as stored; empty when none was chosen (the empty default is written back).
    static QString SavedPort(const RegEdit& store);
    static void SavePort(const RegEdit& store, const QString& text);

    // "COM<n>", the value name of port n in the port table.
    static QString PortValueName(int number);
    // The device path stored for port n, trimmed; empty when none.
    static QString PortDevice(const RegEdit& store, int number, const QString& appKey = AppKey);
    static void SetPortDevice(const RegEdit& store, int number, const QString& path,
                              const QString& appKey = AppKey);
};
