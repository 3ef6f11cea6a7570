#pragma once

#include <QLocale>
#include <QString>

// The read-out of the download level slider: 10 * ln(level / 100) as the standard text of a
// double (up to 15 significant digits, the locale's decimal separator), cut to 4 characters, or
// to 5 below -10 so that one decimal stays.
class AttenuationText
{
public:
    static QString Value(int level, const QLocale& locale);
    // "Download Attenuation " + Value + " Db"
    static QString Caption(int level, const QLocale& locale);
};
