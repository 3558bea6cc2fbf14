#pragma once

#include "linesettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

// The one serial port the console talks through. It offers exactly what the
// console uses: choose a port number and line settings, open and close, ask
// whether it is open, write text, and take what has arrived.
//
// Setters that can be refused return false and leave the link as it was;
// errorString() then says why, in words an operator can act on.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Port numbers as the operator picks them, 1 to 16.
    virtual bool setCommPort(qint16 port) = 0;
    // The port chosen last: the open one while the port is open.
    virtual qint16 commPort() const = 0;
    // Baud rate, parity, data bits and stop bits.
    virtual bool setSettings(const LineSettings &settings) = 0;
    // Opening applies the port number and settings chosen last.
    virtual bool setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;
    // Each character goes out as one byte, in order; an empty string writes nothing.
    virtual void setOutput(const QString &text) = 0;
    // Everything received and not yet taken, oldest first.
    virtual QByteArray input() = 0;
    // Something written is still waiting to go out: the far end is not
    // reading, or not as fast as it is written to.
    virtual bool outputPending() const = 0;
    // Drops whatever written bytes are still waiting to go out.
    virtual void discardOutput() = 0;
    // The thread is awake anyway: received bytes the link would gather
    // within this time are gathered as soon as it is free, so it need not
    // wake again for them.
    virtual void gatherSoon(std::chrono::milliseconds within) { Q_UNUSED(within) }
    // The system says the port it calls name is gone (Windows: "COM3"). If
    // that is the open port, it is lost, as when its device fails: some
    // drivers of unplugged adapters never fail the I/O itself.
    virtual void deviceRemoved(const QString &name) = 0;

    // The open port's descriptor (a HANDLE on Windows), for the one write
    // that may still be made after a fatal fault; -1 while closed.
    virtual qintptr nativeHandle() const = 0;

    // The device the port was opened on last, e.g. /dev/ttyUSB0.
    virtual QString deviceName() const = 0;
    virtual QString errorString() const = 0;

signals:
    // Raised on the link's thread whenever received data is waiting.
    void OnComm();
    // The open port failed under us (adapter unplugged, far end hung up, I/O
    // error). The link has already closed itself; raised once per loss.
    void portLost(const QString &reason);
};
