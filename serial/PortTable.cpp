#include "serial/PortTable.h"
#include "app/settings/AppSettings.h"

#include "app/settings/RegEdit.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

namespace {

QString canonical(const QString& path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

} // namespace

PortTable::PortTable(RegEdit& store, QString appKey, QString byIdDir)
    : m_store(store), m_appKey(std::move(appKey)), m_byIdDir(std::move(byIdDir))
{
}

QString PortTable::entry(int n) const
{
    return AppSettings::PortDevice(m_store, n, m_appKey);
}

QString PortTable::devicePath(int n) const
{
    if (n < FirstPort || n > LastPort)
        return QString();
    return entry(n);
}

int PortTable::findEntry(const QStringList& entries, const QString& name,
                         const QString& canonicalPath) const
{
    for (int i = 0; i < entries.size(); ++i) {
        const QString& kept = entries[i];
        if (kept.isEmpty())
            continue;
        if (kept == name || (!canonicalPath.isEmpty() && canonical(kept) == canonicalPath))
            return i + FirstPort;
    }
    return 0;
}

QString PortTable::stableName(const QString& systemLocation) const
{
    const QString target = canonical(systemLocation);
    if (target.isEmpty())
        return systemLocation;
    const QDir dir(m_byIdDir);
    const QStringList links = dir.entryList(QDir::System | QDir::Files, QDir::Name);
    for (const QString& link : links) {
        const QString linkPath = dir.filePath(link);
        if (QFileInfo(linkPath).isSymLink() && canonical(linkPath) == target)
            return linkPath;
    }
    return systemLocation;
}

QString PortTable::refusal(const QString& device) const
{
    if (m_console.isConsole(device))
        return QStringLiteral("%1 is the kernel console").arg(device);
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(device).constData(), &info) == 0 && !S_ISCHR(info.st_mode))
        return QStringLiteral("%1 is not a serial device (not a terminal)").arg(device);
    return {};
}

std::optional<QString> PortTable::takeNotice()
{
    std::optional<QString> notice;
    notice.swap(m_notice);
    return notice;
}

QList<int> PortTable::registerDevices(const QList<PortCandidate>& devices)
{
    QStringList entries;
    for (int n = FirstPort; n <= LastPort; ++n)
        entries.append(entry(n));
    QList<int> numbers;
    for (const PortCandidate& device : devices) {
        if (!refusal(device.systemLocation).isEmpty()) {
            numbers.append(0);
            continue;
        }
        const QString canonicalPath = canonical(device.systemLocation);
        if (!canonicalPath.isEmpty())
            m_seen.insert(canonicalPath, device);
        const QString name = stableName(device.systemLocation);
        int number = findEntry(entries, name, canonicalPath);
        if (number == 0) {
            const int freeIndex = entries.indexOf(QString());
            if (freeIndex >= 0) {
                number = freeIndex + FirstPort;
                entries[freeIndex] = name;
                AppSettings::SetPortDevice(m_store, number, name, m_appKey);
            } else if (!m_told.contains(name)) {
                m_told.insert(name);
                m_notice = QStringLiteral("No free port number for %1: COM%2 to COM%3 are all "
                                          "taken; free one with \"pelorin-ports forget N\"")
                               .arg(name)
                               .arg(FirstPort)
                               .arg(LastPort);
            }
        }
        numbers.append(number);
    }
    return numbers;
}

PortDetails PortTable::details(int n, bool askSystem) const
{
    PortDetails details;
    details.devicePath = devicePath(n);
    details.resolvedPath = canonical(details.devicePath);
    if (details.resolvedPath.isEmpty())
        return details;
    auto known = m_seen.constFind(details.resolvedPath);
    if (known == m_seen.constEnd() && askSystem) {
        // Not registered in this run: ask the system once more.
        const auto ports = PortCandidate::systemPorts();
        for (const PortCandidate& port : ports) {
            if (canonical(port.systemLocation) == details.resolvedPath) {
                m_seen.insert(details.resolvedPath, port);
                known = m_seen.constFind(details.resolvedPath);
                break;
            }
        }
    }
    if (known == m_seen.constEnd())
        return details;
    details.description = known->description;
    details.serialNumber = known->serialNumber;
    if (known->hasVendorId && known->hasProductId)
        details.usbId = hex4(known->vendorId) + QLatin1Char(':') + hex4(known->productId);
    return details;
}
