#include "tests/support/MainWindowFixture.h"

#include <QTimer>
#include <QUuid>

MainWindowFixture::MainWindowFixture()
{
    settings = std::make_unique<RegEdit>(StoreFile());
    // A title of its own keeps the local socket apart from any running program and other tests.
    instance = std::make_unique<InstanceGuard>(QStringLiteral("PelorinTest-") +
                                               QUuid::createUuid().toString(QUuid::Id128));
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
