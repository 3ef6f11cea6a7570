#include "serial/ConsoleDevices.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <sys/stat.h>

namespace {

QStringList words(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(in.read(65536))
        .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

} // namespace

ConsoleDevices::ConsoleDevices(const Sources& sources)
{
    const QStringList active = words(sources.active);
    for (const QString& name : active)
        add(sources.devDir + QLatin1Char('/') + name);
    const QStringList entries = words(sources.commandLine);
    for (const QString& entry : entries) {
        if (entry.startsWith(QLatin1String("console="))) // console=ttyS0,115200n8
            add(sources.devDir + QLatin1Char('/') + entry.mid(8).section(QLatin1Char(','), 0, 0));
    }
    add(sources.console);
}

void ConsoleDevices::add(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode) &&
        !m_devices.contains(info.st_rdev))
        m_devices.append(info.st_rdev);
}

bool ConsoleDevices::isConsole(const QString& path) const
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode) &&
           m_devices.contains(info.st_rdev);
}
