#pragma once

#include "unit/WaveDestination.h"

#include <QObject>
#include <QString>

struct AppState;
struct MainControls;
class CommandButtons;
class LoadedWave;
class SerialController;
class Toolkit;
class UnitSession;
class WindowLink;

// Unit programming from the main window: the destination option buttons and the five command
// buttons. Every unit command runs in the unit session, which holds the line until it is done and
// refuses any other command meanwhile; this controller asks the questions, reads the sliders at
// the start and shows what the session reports. Form_Main wires the controls to these handlers.
class UnitController : public QObject
{
    Q_OBJECT
public:
    static const QString NoDestinationText;
    static const QString IncompatibleRateText;

    UnitController(MainControls& controls, AppState& state, LoadedWave& wave, Toolkit& toolkit,
                   SerialController& serial, QObject* parent = nullptr);
    ~UnitController() override;

Q_SIGNALS:
    // The loaded wave should become 16-bit PCM at rate, its slice kept in time (the wave side
    // does it before the signal returns).
    void convertRequested(quint32 rate);

public:
    void opt_Wav_type_Click(int index);
    void btn_snd_ST_ID_Click(int index);
    // The download of the slice; returns when it has ended. Nothing while a command runs.
    void Flash_Send_to(int destination);
    // Sends the erase command of the chosen destination and waits (at most about 10 s) for the
    // unit's answer. Nothing while a command runs.
    void EraseDestination();

    UnitSession& Session() { return *m_session; }
    CommandButtons& Buttons() { return *m_buttons; }
    // For leaving the program: a download stops at the next block and drains, a wait ends once
    // its command has left; returns at once, the session reports the end.
    void EndForExit();

    // The texts of the Send and Erase confirmations and the Pink File rate refusal.
    static QString SendNotice(const QString& destinationName);
    static QString EraseNotice(const QString& destinationName);
    static QString RefusedRateText(quint32 playRate, quint32 rate);

private:
    void Send();
    void Erase();
    void StopTransfer();
    void SendCr();
    void BlankCheck();
    bool RateRefused(WaveDestination dest);
    bool ConvertedForId(WaveDestination dest);
    WaveDestination Selected() const;

    MainControls& m_c;
    AppState& m_state;
    LoadedWave& m_wave;
    Toolkit& m_toolkit;
    WindowLink* m_link;
    UnitSession* m_session;
    CommandButtons* m_buttons;
};
