#include "serial/LineSettings.h"

#include <QStringList>

namespace {

std::optional<QSerialPort::Parity> parseParity(const QString& text)
{
    const QString letter = text.trimmed().toUpper();
    if (letter == QLatin1String("N"))
        return QSerialPort::NoParity;
    if (letter == QLatin1String("E"))
        return QSerialPort::EvenParity;
    if (letter == QLatin1String("O"))
        return QSerialPort::OddParity;
    if (letter == QLatin1String("M"))
        return QSerialPort::MarkParity;
    if (letter == QLatin1String("S"))
        return QSerialPort::SpaceParity;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> parseStopBits(const QString& text)
{
    const QString bits = text.trimmed();
    if (bits == QLatin1String("1"))
        return QSerialPort::OneStop;
    if (bits == QLatin1String("1.5"))
        return QSerialPort::OneAndHalfStop;
    if (bits == QLatin1String("2"))
        return QSerialPort::TwoStop;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString& text, QString* why)
{
    const QStringList parts = text.split(QLatin1Char(','));
    auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return std::optional<LineSettings>();
    };
    if (parts.size() != 4)
        return fail(QStringLiteral("expected rate,parity,data bits,stop bits"));
    bool ok = false;
    LineSettings settings;
    settings.baudRate = parts[0].trimmed().toInt(&ok);
    if (!ok || settings.baudRate <= 0)
        return fail(QStringLiteral("invalid baud rate \"%1\"").arg(parts[0]));
    const auto parity = parseParity(parts[1]);
    if (!parity)
        return fail(QStringLiteral("invalid parity \"%1\"").arg(parts[1]));
    const int dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || dataBits < 5 || dataBits > 8)
        return fail(QStringLiteral("invalid data bits \"%1\"").arg(parts[2]));
    const auto stopBits = parseStopBits(parts[3]);
    if (!stopBits)
        return fail(QStringLiteral("invalid stop bits \"%1\"").arg(parts[3]));
    settings.parity = *parity;
    settings.dataBits = static_cast<QSerialPort::DataBits>(dataBits);
    settings.stopBits = *stopBits;
    return settings;
}

double LineSettings::bytesPerSecond() const
{
    const double stop = stopBits == QSerialPort::OneStop          ? 1.0
                        : stopBits == QSerialPort::OneAndHalfStop ? 1.5
                                                                  : 2.0;
    const double bits = 1.0 + int(dataBits) + (parity == QSerialPort::NoParity ? 0 : 1) + stop;
    return baudRate / bits;
}
