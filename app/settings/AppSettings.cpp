#include "app/settings/AppSettings.h"

namespace {
const QString PortSection = QStringLiteral("FormInit");
const QString PortValue = QStringLiteral("ComPort");
const QString TableSection = QStringLiteral("Ports");
} // namespace

QString AppSettings::SavedPort(const RegEdit& store)
{
    return store.GetRegSetting(AppKey, PortSection, PortValue, QString());
}

void AppSettings::SavePort(const RegEdit& store, const QString& text)
{
    store.SaveRegSetting(AppKey, PortSection, PortValue, text);
}

QString AppSettings::PortValueName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

QString AppSettings::PortDevice(const RegEdit& store, int number, const QString& appKey)
{
    return store.GetRegSetting(appKey, TableSection, PortValueName(number), QString()).trimmed();
}

void AppSettings::SetPortDevice(const RegEdit& store, int number, const QString& path,
                                const QString& appKey)
{
    store.SaveRegSetting(appKey, TableSection, PortValueName(number), path);
}
