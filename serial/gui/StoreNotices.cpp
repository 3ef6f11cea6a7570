#include "serial/gui/StoreNotices.h"

#include "app/settings/RegEdit.h"
#include "serial/PortTable.h"
#include "serial/gui/SerialController.h"

void ShowStoreNotices(SerialController& serial, const RegEdit& settings)
{
    if (const auto notice = serial.Ports().takeNotice())
        serial.ShowError(*notice, QStringLiteral("DetermineValidPorts"));
    if (const auto failure = settings.takeWriteFailure())
        serial.ShowError(*failure, QStringLiteral("RegWriteValue"));
}
