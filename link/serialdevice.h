#pragma once

// What the link needs of the system's serial devices beyond QSerialPort:
// exclusive use of a device, a look into the driver's own queue, and whether
// the line hung up.

#include <QSerialPort>
#include <QString>

// An advisory exclusive hold on a serial device, taken before the device is
// configured. QSerialPort's own lock file is keyed by path, so a second path to
// the same device (a /dev/serial/by-id link) slips past it, and root ignores
// TIOCEXCL; an flock() on the device node catches both. Programs that take
// neither kind of lock cannot be detected. On Windows the system itself opens a
// port for one handle only, and this holds nothing.
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

    // The device a path leads to, through links, on which the lock is taken
    // and the port opened: the lock file other serial programs look for is
    // named after it (LCK..ttyUSB0), whatever link or by-id path led there.
    // Empty when there is no such device. A Windows port name stays as it is.
    static QString deviceNode(const QString &devicePath);

    Outcome tryAcquire(const QString &deviceNode);
    void release();
    // The system's own words for the last Failed outcome.
    QString errorString() const { return m_error; }

    // Why this process cannot open the files a port's open needs right now
    // (too many open files in it or in the system), or empty when it can.
    // QSerialPort words a lock file it could not create for want of a
    // descriptor as a permission error; this tells the two apart.
    static QString descriptorShortage();

private:
    int m_fd = -1;
    QString m_error;
};

// What the system's serial driver holds of the bytes written to an open port,
// below QSerialPort's own write buffer.
namespace LineQueue {

// Whether the driver still holds bytes it has not sent. A pseudo-terminal
// always says none.
bool driverHoldsOutput(const QSerialPort &port);

// Whether a write now finds room in the driver. QSerialPort reports a write
// into a full POSIX line as a resource error, as if the device were
// unplugged; Windows queues the write instead.
bool hasRoom(const QSerialPort &port);

} // namespace LineQueue

namespace LineState {

// Whether the line hung up under the open port: the far end of a
// pseudo-terminal closed, or a USB adapter went away. QSerialPort reports a
// write into such a line as a resource error with whatever errno was left
// over ("Resource temporarily unavailable"). Windows reports an unplugged
// adapter as an error of its own, and this says no.
bool hungUp(const QSerialPort &port);

} // namespace LineState
