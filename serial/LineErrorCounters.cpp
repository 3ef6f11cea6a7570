#include "serial/LineErrorCounters.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

std::optional<LineErrorCounters> LineErrorCounters::read(int fd)
{
    serial_icounter_struct counts{};
    if (fd < 0 || ::ioctl(fd, TIOCGICOUNT, &counts) != 0)
        return std::nullopt;
    LineErrorCounters result;
    result.frame = counts.frame;
    result.overrun = counts.overrun + counts.buf_overrun;
    result.parity = counts.parity;
    result.brk = counts.brk;
    return result;
}

QList<int> LineErrorCounters::eventsBetween(const LineErrorCounters& before,
                                            const LineErrorCounters& after)
{
    QList<int> codes;
    if (after.brk != before.brk)
        codes.append(1001);
    if (after.frame != before.frame)
        codes.append(1004);
    if (after.overrun != before.overrun)
        codes.append(1006);
    if (after.parity != before.parity)
        codes.append(1009);
    return codes;
}
