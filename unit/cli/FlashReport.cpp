#include "unit/cli/FlashReport.h"

#include "unit/DestinationInfo.h"
#include "unit/cli/UnitCycle.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString seconds(qint64 ms)
{
    return QString::number(ms / 1000.0, 'f', 1) + QLatin1Char('s');
}

QString minutes(double s)
{
    const int whole = int(s + 0.5);
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QStringList row(const UnitCycle& c)
{
    return {c.port(),
            c.device(),
            QString::fromLatin1(c.idLine()),
            FlashReport::destinationName(c),
            QString::number(c.bytesSent()),
            seconds(c.elapsedMs()),
            c.result() + (c.failure().isEmpty() || !c.ok()
                              ? QString()
                              : QStringLiteral(" (") + c.failure() + QLatin1Char(')'))};
}

} // namespace

QString FlashReport::destinationName(const UnitCycle& cycle)
{
    const QString name = DestinationInfo::Of(cycle.job().dest).DestinationName();
    return name.isEmpty() ? QStringLiteral("-") : name;
}

QString FlashReport::progressLine(const UnitCycle& c)
{
    QString line = c.port() + QLatin1String("  ") + c.stepName();
    if (c.job().values.empty() && c.bytesSent() == 0)
        return line;
    const qint64 total = c.streamBytes();
    line += QStringLiteral("  %1%  %2/%3 bytes  %4 B/s  %5 left")
                .arg(int(c.bytesSent() * 100 / std::max<qint64>(total, 1)), 3)
                .arg(c.bytesSent())
                .arg(total)
                .arg(int(c.bytesPerSecondNow()))
                .arg(minutes(c.secondsLeft()));
    return line;
}

QString FlashReport::redraw(const QList<UnitCycle*>& cycles, int linesBefore)
{
    QString out = linesBefore > 0 ? QStringLiteral("\x1b[%1A").arg(linesBefore) : QString();
    for (const UnitCycle* c : cycles)
        out += QStringLiteral("\r\x1b[K") + progressLine(*c) + QLatin1Char('\n');
    return out;
}

QString FlashReport::table(const QList<UnitCycle*>& cycles)
{
    QList<QStringList> rows{{"PORT", "DEVICE", "UNIT", "DESTINATION", "BYTES", "TIME", "RESULT"}};
    for (const UnitCycle* c : cycles)
        rows.append(row(*c));
    QList<int> widths(rows[0].size(), 0);
    for (const QStringList& r : rows)
        for (int i = 0; i < r.size(); ++i)
            widths[i] = std::max<int>(widths[i], r[i].size());
    QString out;
    for (const QStringList& r : rows) {
        QString line;
        for (int i = 0; i < r.size(); ++i)
            line += i + 1 < r.size() ? r[i].leftJustified(widths[i] + 2) : r[i];
        out += line + QLatin1Char('\n');
    }
    return out;
}

QString FlashReport::json(const UnitCycle& c)
{
    const QJsonObject o{
        {"port", c.port()},
        {"device", c.device()},
        {"id", QString::fromLatin1(c.idLine())},
        {"destination", destinationName(c)},
        {"bytes", c.bytesSent()},
        {"seconds", c.elapsedMs() / 1000.0},
        {"result", c.result()},
        {"ok", c.ok()},
        {"copy", c.job().copyFile},
        {"note", c.failure()},
    };
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
