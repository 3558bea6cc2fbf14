#pragma once

#include <QString>

// An advisory exclusive hold on a serial device, taken before the device is
// configured. QSerialPort's own lock file is keyed by path, so a second path to
// the same device (a /dev/serial/by-id link) slips past it, and root ignores
// TIOCEXCL; an flock() on the device node catches both. Programs that take
// neither kind of lock cannot be detected. A no-op where flock() does not exist.
class DeviceLock
{
public:
    DeviceLock() = default;
    ~DeviceLock() { release(); }
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

    // False only when someone else holds the device. Trouble opening it at all is
    // left for the real open to report, in its own words.
    bool tryAcquire(const QString &devicePath);
    void release();

private:
    int m_fd = -1;
};
