#include "tests/support/MainWindowFixture.h"

#include <QTimer>
#include <QUuid>

// A title of its own keeps the local socket apart from any running program and other tests.
MainWindowFixture::MainWindowFixture()
    : instanceTitle(QStringLiteral("PelorinTest-") + QUuid::createUuid().toString(QUuid::Id128)),
      settings(std::make_unique<RegEdit>(StoreFile())),
      instance(std::make_unique<InstanceGuard>(instanceTitle))
{
}

Form_Main& MainWindowFixture::Create(bool load, bool keepSplash)
{
    window = std::make_unique<Form_Main>(toolkit, state, *settings, *instance);
    if (!keepSplash)
        window->Controls().tmrSplash->stop();
    if (load)
        window->Form_Load();
    return *window;
}
