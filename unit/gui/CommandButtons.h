#pragma once

#include <QObject>

struct AppState;
struct MainControls;
class LoadedWave;
class UnitSession;

// The one owner of the enabled state of the five command buttons, Stop Transfer and the COM
// menu. It follows the unit session: while a command holds the line no other command can be
// clicked and the port cannot be changed; Stop Transfer is enabled only while a download or an
// erase runs. When idle, Send needs an opened file and Erase a chosen destination.
class CommandButtons : public QObject
{
    Q_OBJECT
public:
    CommandButtons(MainControls& controls, AppState& state, const LoadedWave& wave,
                   const UnitSession& session, QObject* parent = nullptr);

    // Sets every control from the session, the loaded wave and the chosen destination.
    void Refresh();

private:
    void Set(int index, bool enabled);
    void SetComMenu(bool enabled);

    MainControls& m_c;
    AppState& m_state;
    const LoadedWave& m_wave;
    const UnitSession& m_session;
};
