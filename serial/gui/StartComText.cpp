#include "serial/gui/StartComText.h"

#include "app/core/NumberText.h"

QString StartComText(const CommError& error, int port)
{
    const QString n = NumberText::Plain(port);
    if (error.number == CommError::InvalidPort)
        return QStringLiteral("Invalid Port Number - Com-") + n +
               QStringLiteral(" can't be used as a device interface.");
    if (error.number == CommError::PortInUse)
        return QStringLiteral("Port in use by another process - Com-") + n +
               QStringLiteral(" is not available.");
    return QStringLiteral("Error # ") + NumberText::Str(error.number) +
           QStringLiteral(": In DetermineValidPorts") + QLatin1Char('\r') + error.description;
}

bool StartComGoesOn(const CommError& error)
{
    return error.number == CommError::InvalidPort || error.number == CommError::PortInUse;
}
