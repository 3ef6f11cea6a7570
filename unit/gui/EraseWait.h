#pragma once

#include "unit/UnitSession.h"
#include "unit/WaveDestination.h"

#include <QString>

struct MainControls;

// The window side of an erase: the progress bar climbs with the session's wait (100 - ticks
// left), the unit's "QXERA" line goes to the status box, and an erase the unit never answered is
// said there too. Returns when the wait has ended; the bar is left visible at 0.
class EraseWait
{
public:
    static const QString NoAnswerText;
    static const QString NotSentText;

    EraseWait(MainControls& controls, UnitSession& session);

    std::optional<UnitSession::Result> Run(WaveDestination dest);

private:
    MainControls& m_c;
    UnitSession& m_session;
};
