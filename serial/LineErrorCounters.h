#pragma once

#include <QList>
#include <optional>

// Receive error counters that a UART driver keeps (framing, parity, overrun, break).
// The kernel reports them for real UARTs and many USB adapters; pseudo-terminals have none.
struct LineErrorCounters
{
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;

    // Counters of the open terminal fd, or nothing when the driver keeps none.
    static std::optional<LineErrorCounters> read(int fd);

    // Line-event codes for the kinds whose counter grew from `before` to `after`, one code per
    // kind, in the order break (1001), framing (1004), overrun (1006), parity (1009).
    static QList<int> eventsBetween(const LineErrorCounters& before,
                                    const LineErrorCounters& after);
};
