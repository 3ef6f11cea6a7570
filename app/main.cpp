#include "app/Form_Main.h"
#include "app/InstanceGuard.h"
#include "app/core/SignalRelay.h"
#include "app/settings/RegEdit.h"
#include "app/ui/AppState.h"
#include "app/ui/DesktopToolkit.h"
#include "wave/gui/Playback.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    int rc = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Pelorin"));
        QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(AppState::VersionMajor)
                                                .arg(AppState::VersionMinor)
                                                .arg(AppState::VersionRevision));
        QApplication::setDesktopFileName(QStringLiteral("pelorin"));

        DesktopToolkit toolkit;
        AppState state;
        RegEdit settings;
        InstanceGuard instance(AppState::AppTitle);
        Form_Main window(toolkit, state, settings, instance);
        SignalRelay relay;
        QObject::connect(&relay, &SignalRelay::received, &window, &Form_Main::ExitWithoutQuestion);
        window.Form_Load();
        window.show();
        rc = app.exec();
    } // the window, the settings store and the instance socket are closed here
    Playback::LeaveProcess(rc);
}
