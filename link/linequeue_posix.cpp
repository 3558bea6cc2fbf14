#include "linequeue.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace LineQueue {

bool driverHoldsOutput(const QSerialPort &port)
{
    int queued = 0;
    return ::ioctl(port.handle(), TIOCOUTQ, &queued) == 0 && queued > 0;
}

bool hasRoom(const QSerialPort &port)
{
    pollfd poll{port.handle(), POLLOUT, 0};
    return ::poll(&poll, 1, 0) == 1 && (poll.revents & POLLOUT);
}

} // namespace LineQueue
