#include "app/core/NumberText.h"

#include <cmath>
#include <limits>

QString NumberText::Str(qint64 value)
{
    return value >= 0 ? QLatin1Char(' ') + QString::number(value) : QString::number(value);
}

QString NumberText::Plain(qint64 value)
{
    return QString::number(value);
}

QString NumberText::Fixed(double value, int decimals, const QLocale& locale)
{
    // QString::number is locale-free; only the separator follows the user's locale.
    QString text = QString::number(value, 'f', decimals);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

double NumberText::Val(const QString& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    int end = i;
    if (end < n && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+')))
        ++end;
    while (end < n && text[end].isDigit() && text[end].unicode() < 128)
        ++end;
    if (end < n && text[end] == QLatin1Char('.')) {
        ++end;
        while (end < n && text[end].isDigit() && text[end].unicode() < 128)
            ++end;
    }
    bool ok = false;
    const double v = text.mid(i, end - i).toDouble(&ok);
    return ok ? v : 0.0;
}

std::optional<qint16> NumberText::ToInt16(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    const double r = std::nearbyint(v);
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(r);
}
