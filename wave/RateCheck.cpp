#include "wave/RateCheck.h"

bool isRateSupported(quint32 rate)
{
    return rate == 8000 || rate == 48000 || rate == 44100;
}

QString rateMessage(quint32 rate)
{
    return QStringLiteral("Orvanta stores files using 8000 and 48000 Samples/Second.") +
           QStringLiteral("\r\n") + QStringLiteral(" The data rate of ") + QString::number(rate) +
           QStringLiteral(" Samples/Sec is incompatible.") + QStringLiteral("\r\n") +
           QStringLiteral(" Acceptable data rates are: 8k (voicing), 44.1k and 48k (audio).");
}
