#pragma once

#include "serial/CommError.h"
#include "serial/LineErrorCounters.h"
#include "serial/LineSettings.h"
#include "serial/PortHolder.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <optional>

class PortTable;

// Serial-port control in the manner of an MSComm control, over QSerialPort. Every setter and
// operation returns a CommError (failure numbers: CommError.h). CommPort is resolved through
// the PortTable when the port is opened. Properties set while the port is closed are kept and
// applied at the open; Settings, Handshaking, DTREnable and RTSEnable also apply at once while it
// is open.
//
// Events (OnComm with CommEvent):
//   2     once at least RThreshold bytes wait (RThreshold 0: none); fewer wait for the next arrival
//   1001, 1004, 1006, 1009  break, framing, overrun, parity: taken from the driver's error
//         counters at each arrival; pseudo-terminals and drivers without counters raise none
//   1010  never raised: Output holds its caller instead of letting the transmit buffer overflow
// A hang-up, an unplugged adapter or a failing read/write closes the port at once and emits
// portLost (numbers PortLost, ReadFailed, WriteFailed) once; PortOpen then reads False and the
// next PortOpen True opens the device again. Bytes still queued at that moment are lost.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    enum Event : qint16
    {
        EvSend = 1,
        EvReceive = 2,
        ErBreak = 1001,
        ErFrame = 1004,
        ErOverrun = 1006,
        ErRxParity = 1009,
        ErTxFull = 1010,
    };
    // What a property write did to the line, reported through lineAction in the order it happened
    // (a monitor of the line state; pseudo-terminals have no modem lines to read back).
    enum LineAction
    {
        DtrOn,
        DtrOff,
        RtsOn,
        RtsOff,
        Opened,
        Closed,
    };
    Q_ENUM(LineAction)
    static constexpr int DefaultStallMs = 10000;

    explicit SerialControl(PortTable* ports, QObject* parent = nullptr);
    ~SerialControl() override;

    CommError setCommPort(qint16 n); // InvalidWhileOpen while open; any number is accepted
    qint16 CommPort() const { return m_commPort; }
    CommError setSettings(const QString& text); // InvalidValue for unreadable text
    QString Settings() const { return m_settingsText; }
    CommError setHandshaking(int mode); // 0 none, 1 XON/XOFF, 2 RTS/CTS
    int Handshaking() const { return m_handshaking; }
    CommError setInputMode(int mode); // 0 text, 1 binary; Input gives the same bytes either way
    int InputMode() const { return m_inputMode; }
    CommError setDTREnable(bool on);
    bool DTREnable() const { return m_dtr; }
    CommError setRTSEnable(bool on);
    bool RTSEnable() const { return m_rts; }
    CommError setInputLen(qint16 n); // 0: Input returns everything waiting
    qint16 InputLen() const { return m_inputLen; }
    CommError setOutBufferSize(qint16 n); // at least 1
    qint16 OutBufferSize() const { return m_outBufferSize; }
    CommError setRThreshold(qint16 n);
    qint16 RThreshold() const { return m_rThreshold; }

    // True opens the device of CommPort (InvalidPort, PortInUse, NotSerialDevice,
    // PermissionDenied, ... on failure); False closes it, dropping DTR and RTS and any unsent
    // bytes. A rate the device refuses at the open leaves the port open on its old rate.
    // A device another program holds (PortHolder) is PortInUse and the text names the holder;
    // the kernel console is NotSerialDevice and is not opened at all. While open, the device
    // is held against others by an flock, released when it closes.
    CommError setPortOpen(bool open);
    bool PortOpen() const;

    // Queues every byte in order. While more than OutBufferSize bytes wait to be sent it holds
    // the caller, processing events, until there is room. If no byte leaves for the stall time
    // it returns TransmitStalled: nothing is dropped, the bytes stay queued (they are lost only
    // if the port is then closed). If the port closes or is lost during the hold, the bytes that
    // were still queued are lost and the failure says how many.
    CommError Output(const QByteArray& bytes);
    // Removes and returns at most InputLen waiting bytes (all when InputLen is 0).
    QByteArray Input(CommError* error = nullptr);
    qint16 InBufferCount() const;  // waiting received bytes, capped at 32767
    qint64 OutBufferCount() const; // bytes written but not yet handed to the system
    // Bytes written but not yet on the line as far as the system tells: Qt's queue plus the
    // driver's (a pseudo-terminal reports no driver queue). 0 while closed.
    qint64 unsentBytes() const { return PortOpen() ? pendingBytes() : 0; }
    // Bytes per second the line carries at Settings: baud / (start + data + parity + stop bits).
    double lineBytesPerSecond() const { return m_settings.bytesPerSecond(); }
    qint16 CommEvent() const { return m_commEvent; }

    // Holds, processing events, until every byte has been handed to the system (TransmitStalled
    // after msTimeout ms, or sooner when no byte left for the stall time).
    CommError waitForDrain(int msTimeout);

    // How long Output may wait without any byte leaving.
    void setStallTimeout(int ms) { m_stallMs = ms; }
    // Where the open looks for other programs' holds (tests pass their own lock folders).
    void setHolder(const PortHolder& holder) { m_holder = holder; }

signals:
    void OnComm();
    void portLost(const CommError& error);
    // DTREnable/RTSEnable set (open or closed), the port opened, an open port closed.
    void lineAction(SerialControl::LineAction action);

private:
    CommError openPort();
    CommError applyLineSettings(const LineSettings& settings);
    CommError applyFlowControl();
    CommError applyLines();
    CommError holdUntilPending(qint64 limit, int overallMs);
    qint64 pendingBytes() const;
    void waitForActivity(int ms);
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void raise(qint16 code);
    void checkLineErrors();

    PortTable* m_ports;
    QSerialPort* m_port; // child of this control
    qint16 m_commPort = 1;
    QString m_settingsText = QStringLiteral("9600,N,8,1");
    LineSettings m_settings;
    int m_handshaking = 0;
    int m_inputMode = 0;
    bool m_dtr = false;
    bool m_rts = false;
    qint16 m_inputLen = 0;
    qint16 m_outBufferSize = 512;
    qint16 m_rThreshold = 0;
    qint16 m_commEvent = 0;
    bool m_lost = false;
    int m_stallMs = DefaultStallMs;
    std::optional<LineErrorCounters> m_counters;
    PortHolder m_holder;
};
