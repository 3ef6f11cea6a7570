#pragma once

#include <QString>

// The sample rates the unit stores (8000, 44100 and 48000 per second) and the text the open
// command shows for any other rate.
bool isRateSupported(quint32 rate);
QString rateMessage(quint32 rate);
