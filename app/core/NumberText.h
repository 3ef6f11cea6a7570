#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// The program's two forms of numbers as text and its lenient text-to-number readings.
class NumberText
{
public:
    // Standard form: one blank before a number that is not negative (" 131072", "-5").
    static QString Str(qint64 value);
    // Plain form: decimal digits, a minus sign when negative.
    static QString Plain(qint64 value);
    // Fixed-point form for a person: rounded to `decimals` decimals, the locale's decimal
    // separator and no group separators ("1234,568" in German).
    static QString Fixed(double value, int decimals, const QLocale& locale);
    // Leading numeric value of a text, 0 when there is none (" 3" -> 3, "0" -> 0, "" -> 0, "7x" ->
    // 7).
    static double Val(const QString& text);
    // Strict conversion to a 16-bit integer, rounding halves to even; nullopt when the text is not
    // a number or does not fit.
    static std::optional<qint16> ToInt16(const QString& text);
};
