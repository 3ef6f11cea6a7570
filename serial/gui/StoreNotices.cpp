#include "StoreNotices.h"

#include "PortTable.h"
#include "RegEdit.h"
#include "SerialController.h"

void ShowStoreNotices(SerialController& serial, const RegEdit& settings)
{
    if (const auto notice = serial.Ports().takeNotice())
        serial.ShowError(*notice, QStringLiteral("DetermineValidPorts"));
    if (const auto failure = settings.takeWriteFailure())
        serial.ShowError(*failure, QStringLiteral("RegWriteValue"));
}
