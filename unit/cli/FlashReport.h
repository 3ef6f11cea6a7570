#pragma once

#include <QList>
#include <QString>

class UnitCycle;

// What pelorin-flash prints about its units: one progress line per port (rewritten in place on
// a terminal), and at the end the table or one JSON object per unit with the same fields.
class FlashReport
{
public:
    // One unit's progress: port, step, percent, bytes, bytes per second, time left.
    static QString progressLine(const UnitCycle& cycle);
    // Rewrites the block of progress lines in place (ANSI cursor moves); linesBefore is how many
    // lines the previous call printed (0 the first time).
    static QString redraw(const QList<UnitCycle*>& cycles, int linesBefore);
    static QString table(const QList<UnitCycle*>& cycles);
    static QString json(const UnitCycle& cycle); // one line, no line end
    static QString destinationName(const UnitCycle& cycle);
};
