#pragma once

#include "serial/CommError.h"

#include <QString>

// The report of a failed StartCom step on port `port`: the texts of a missing port (8002) and of
// one in use (8005), otherwise "Error #  n: In DetermineValidPorts", CR, the description.
QString StartComText(const CommError& error, int port);
// Whether StartCom goes on with its next step after this failure (8002 and 8005 only).
bool StartComGoesOn(const CommError& error);
