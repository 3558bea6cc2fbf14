#include "serialdevice.h"

#include <windows.h>

// Windows opens a COM port for one handle at a time by itself: a second
// opener, in this process or another, is refused by the system and
// QSerialPort reports it. There is nothing to add here.
// Whether COMn exists shows when QSerialPort opens it.
QString DeviceLock::deviceNode(const QString &devicePath)
{
    return devicePath;
}

DeviceLock::Outcome DeviceLock::tryAcquire(const QString &)
{
    m_error.clear();
    return Outcome::Acquired;
}

void DeviceLock::release() {}

// Handles are not a per-process limit a user meets on Windows.
QString DeviceLock::descriptorShortage()
{
    return {};
}

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

namespace LineState {

bool hungUp(const QSerialPort &)
{
    return false;
}

} // namespace LineState
