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
    enum class Outcome {
        Acquired,
        // Someone else holds the device.
        Held,
        // The device could not be opened at all; errorString() says why.
        Failed,
    };

    DeviceLock() = default;
    ~DeviceLock() { release(); }
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

    // The device node devicePath leads to through any links, which locks are
    // named after; empty when it leads nowhere. Where a port is no file
    // (COM1 on Windows) its name is the device.
    static QString deviceNode(const QString &devicePath);

    Outcome tryAcquire(const QString &devicePath);
    void release();
    // The system's own words for the last Failed outcome.
    QString errorString() const { return m_error; }

    // Why this process cannot open one more file right now (too many open
    // files in it or in the system), or empty when it can. QSerialPort words a
    // lock file it could not create for want of a descriptor as a permission
    // error; this tells the two apart.
    static QString descriptorShortage();

private:
    int m_fd = -1;
    QString m_error;
};
