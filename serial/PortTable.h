#pragma once

#include "app/settings/AppSettings.h"
#include "serial/ConsoleDevices.h"
#include "serial/PortCandidate.h"
#include "serial/PortDetails.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

class RegEdit;

// Maps the port numbers COM1..COM16 to serial devices. The table lives in the settings store
// under <appKey>\Ports\COM<n>, one device path per value. A device seen for the first time gets
// the lowest free number and keeps it across runs and re-plugging (it is recorded by its
// /dev/serial/by-id name when one exists). Entries written by hand are kept and used. The kernel
// console and paths that are no character device are never numbered.
class PortTable
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 16;

    PortTable(RegEdit& store, QString appKey,
              QString byIdDir = QStringLiteral("/dev/serial/by-id"));

    // Device path kept for COM<n>; empty for numbers outside 1..16 and empty entries.
    QString devicePath(int n) const;

    // Gives every listed device a number if it has none yet. Returns the number of each
    // candidate in order (0 for the console, for no character device, and when all 16 numbers
    // are taken: takeNotice then says so).
    QList<int> registerDevices(const QList<PortCandidate>& devices);
    // A device that found no free number, told once per device and table.
    std::optional<QString> takeNotice();

    // Why the device may not be numbered or opened ("... is the kernel console"); empty: it may.
    QString refusal(const QString& device) const;
    void setConsoleDevices(const ConsoleDevices& console) { m_console = console; }
    QList<int> registerSystemDevices() { return registerDevices(PortCandidate::systemPorts()); }

    // What is known of the device of COM<n>. askSystem: look a device up in the system's list when
    // it was not registered in this run (false: only what registration saw, no system scan).
    PortDetails details(int n, bool askSystem = true) const;

    // The /dev/serial/by-id link that points at the device, else the device path itself.
    QString stableName(const QString& systemLocation) const;

    static QString valueName(int n) { return AppSettings::PortValueName(n); }

private:
    QString entry(int n) const;
    int findEntry(const QStringList& entries, const QString& name, const QString& canonical) const;

    RegEdit& m_store;
    QString m_appKey;
    QString m_byIdDir;
    mutable QHash<QString, PortCandidate> m_seen; // by canonical device path; a cache of facts
    ConsoleDevices m_console;
    std::optional<QString> m_notice;
    QSet<QString> m_told; // devices whose missing number has been told
};
