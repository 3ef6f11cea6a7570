#pragma once

#include "app/Form_Main.h"
#include "app/InstanceGuard.h"
#include "app/settings/RegEdit.h"
#include "app/ui/AppState.h"
#include "tests/support/ScriptedToolkit.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <memory>

// A main window as the program builds it, with a scripted toolkit, a settings store in a
// temporary folder and an instance name of its own, so tests never touch the user's store and
// never meet a running copy of the program (or another test).
struct MainWindowFixture
{
    QTemporaryDir dir;
    ScriptedToolkit toolkit;
    AppState state;
    // An earlier instance of the window's own is made with it.
    const QString instanceTitle =
        QStringLiteral("PelorinTest-") + QUuid::createUuid().toString(QUuid::Id128);
    std::unique_ptr<RegEdit> settings =
        std::make_unique<RegEdit>(dir.filePath(QStringLiteral("registry.ini")));
    std::unique_ptr<InstanceGuard> instance = std::make_unique<InstanceGuard>(instanceTitle);
    std::unique_ptr<Form_Main> window;

    // Builds the window; with load set, runs the start-up sequence too. The start-up splash is
    // switched off unless keepSplash is set, so tests do not wait for it.
    Form_Main& Create(bool load = true, bool keepSplash = false)
    {
        window = std::make_unique<Form_Main>(toolkit, state, *settings, *instance);
        if (!keepSplash)
            window->Controls().tmrSplash->stop();
        if (load)
            window->Form_Load();
        return *window;
    }
};
