#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

// Line format given as text "rate,parity,data bits,stop bits", for example "9600,N,8,1".
// Parity letters N, E, O, M, S (either case); data bits 5 to 8; stop bits 1, 1.5 or 2.
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // Characters per second at this format (9600,N,8,1: 960).
    double bytesPerSecond() const;

    // The parsed format, or nothing with *why set to the reason.
    static std::optional<LineSettings> parse(const QString& text, QString* why);
};
