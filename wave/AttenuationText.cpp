#include "wave/AttenuationText.h"

#include <cmath>

QString AttenuationText::Value(int level, const QLocale& locale)
{
    const double a = 10.0 * std::log(level / 100.0);
    // QString::number is locale-free; only the separator follows the user's locale.
    QString text = QString::number(a, 'g', 15);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text.left(a >= -10.0 ? 4 : 5);
}

QString AttenuationText::Caption(int level, const QLocale& locale)
{
    return QStringLiteral("Download Attenuation ") + Value(level, locale) + QStringLiteral(" Db");
}
