#include "linequeue.h"

#include <windows.h>

namespace LineQueue {

bool driverHoldsOutput(const QSerialPort &port)
{
    COMSTAT status{};
    DWORD errors = 0;
    return ClearCommError(port.handle(), &errors, &status) && status.cbOutQue > 0;
}

bool hasRoom(const QSerialPort &)
{
    return true;
}

} // namespace LineQueue
