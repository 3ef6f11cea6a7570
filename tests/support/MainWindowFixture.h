#pragma once

#include "app/Form_Main.h"
#include "app/InstanceGuard.h"
#include "app/settings/RegEdit.h"
#include "app/ui/AppState.h"
#include "tests/support/ScriptedToolkit.h"

#include <QTemporaryDir>
#include <memory>

// A main window as the program builds it, with a scripted toolkit, a settings store in a
// temporary folder and an instance name of its own, so tests never touch the user's store and
// never meet a running copy of the program.
struct MainWindowFixture
{
    QTemporaryDir dir;
    ScriptedToolkit toolkit;
    AppState state;
    const QString instanceTitle; // an earlier instance of the window's own is made with it
    std::unique_ptr<RegEdit> settings;
    std::unique_ptr<InstanceGuard> instance;
    std::unique_ptr<Form_Main> window;

    MainWindowFixture();
    // Builds the window; with load set, runs the start-up sequence too. The start-up splash is
    // switched off unless keepSplash is set, so tests do not wait for it.
    Form_Main& Create(bool load = true, bool keepSplash = false);
    QString StoreFile() const { return dir.filePath(QStringLiteral("registry.ini")); }
};
