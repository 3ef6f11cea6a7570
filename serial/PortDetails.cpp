#include "serial/PortDetails.h"

#include <QStringList>

QString PortDetails::tooltipText() const
{
    if (!hasDevice())
        return QStringLiteral("No device");
    QStringList lines{devicePath};
    if (!present())
        lines.append(QStringLiteral("(not present)"));
    else if (resolvedPath != devicePath)
        lines.append(QStringLiteral("-> %1").arg(resolvedPath));
    if (!description.isEmpty())
        lines.append(description);
    if (!usbId.isEmpty())
        lines.append(QStringLiteral("USB %1").arg(usbId));
    if (!serialNumber.isEmpty())
        lines.append(QStringLiteral("Serial number %1").arg(serialNumber));
    return lines.join(QLatin1Char('\n'));
}
