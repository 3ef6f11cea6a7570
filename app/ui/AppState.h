#pragma once

#include "app/settings/AppSettings.h"
#include <QByteArray>
#include <QString>

// Program-wide values shared by the subsystems. One instance lives for the whole run and is
// handed by reference to every controller; all values start as zero or empty.
struct AppState
{
    static inline const QString& AppTitle = AppSettings::AppKey;
    static constexpr int VersionMajor = 1;
    static constexpr int VersionMinor = 0;
    static constexpr int VersionRevision = 16;

    QString AppName;       // the window title EndTask looks for
    qint16 ComPortNum = 0; // serial port in use, 0 = none
    bool RateUnsupported = false;
    bool TransferBusy = false; // a unit command holds the line (kept by the command buttons)
    qint32 SelectedDestination = 0;
    QString DestinationName;

    // Variables of the main window that several subsystems read or write.
    qint32 ErrorTicks = 0; // tmr_Delay ticks before the error line is cleared
    bool ProbeRequested = false;
    QByteArray RxBuffer;  // received bytes not yet cut into lines
    QString WaveFileName; // chosen last in the open dialog; Text1 shows it (and may be edited)
};
