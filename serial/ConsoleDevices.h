#pragma once

#include <QList>
#include <QString>

#include <sys/types.h>

// The devices that carry the kernel console: the names in /sys/class/tty/console/active, the
// console= entries of the kernel command line, and /dev/console itself. Such a device is never
// numbered or opened: an open would raise DTR on the console line and read its traffic.
class ConsoleDevices
{
public:
    struct Sources
    {
        QString active = QStringLiteral("/sys/class/tty/console/active");
        QString commandLine = QStringLiteral("/proc/cmdline");
        QString console = QStringLiteral("/dev/console");
        QString devDir = QStringLiteral("/dev"); // where the named devices are
    };

    ConsoleDevices() : ConsoleDevices(Sources{}) {}
    explicit ConsoleDevices(const Sources& sources);

    // True when the path (links followed) is one of the console's devices.
    bool isConsole(const QString& path) const;

private:
    void add(const QString& path);

    QList<dev_t> m_devices;
};
