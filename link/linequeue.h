#pragma once

#include <QSerialPort>

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
