#include "serial/LineEventText.h"

QString LineEventText(int code)
{
    switch (code) {
    case 3:
        return QStringLiteral("Change in CTS Detected");
    case 4:
        return QStringLiteral("Change in DSR Detected");
    case 5:
        return QStringLiteral("Change in CD Detected");
    case 6:
        return QStringLiteral("The Phone is Ringing");
    case 7:
        return QStringLiteral("End of File Detected");
    case 1001:
        return QStringLiteral("Break Received");
    case 1002:
        return QStringLiteral("CTS Timeout");
    case 1003:
        return QStringLiteral("DSR Timeout");
    case 1004:
        return QStringLiteral("Framing Error");
    case 1006:
        return QStringLiteral("Overrun Error");
    case 1007:
        return QStringLiteral("Carrier Detect Timeout");
    case 1008:
        return QStringLiteral("Receive Buffer Overflow");
    case 1009:
        return QStringLiteral("Parity Error");
    case 1010:
        return QStringLiteral("Transmit Buffer Full");
    case 1011:
        return QStringLiteral("Error retrieving DCB");
    default:
        return QStringLiteral("Unknown error or event");
    }
}
