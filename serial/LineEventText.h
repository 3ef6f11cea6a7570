#pragma once

#include <QString>

// User text of a line-event code of the serial-port control (CommEvent values);
// "Unknown error or event" for codes without a text of their own.
QString LineEventText(int code);
