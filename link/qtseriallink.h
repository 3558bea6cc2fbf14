#pragma once

#include "linesettings.h"
#include "portdirectory.h"
#include "serialdevice.h"
#include "seriallink.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSerialPort>
#include <QTimer>

#include <chrono>

// Opens, refusals, closes and losses of the port, for a user's report. Off by
// default; QT_LOGGING_RULES="tavimork.link.info=true" turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The console's serial link over a real serial device.
//
// Opening is exclusive: a device this or another process already holds through
// a Qt lock file, an flock() or TIOCEXCL does not open; the first two hold even
// against root. On Windows the system refuses a second opener itself.
//
// Closing gives bytes still queued a bounded time to leave (a stop written just
// before must reach the robot), then drops them; what it still reads then
// comes through OnComm() like any received bytes.
//
// When the device fails under an open link (far end hung up, adapter unplugged,
// I/O error) the link reports closed at once, drops later writes, closes the
// device from the event loop and then raises portLost() once. Calling
// setPortOpen() before that happens settles the loss without the signal.
//
// Received bytes are gathered: OnComm() comes at once for the first bytes
// after a quiet spell, and then at most once per GatherPeriod however often
// the far end writes, so a chattering robot does not wake the drive thread
// for each of its writes. A far end fast enough to overrun the driver's
// buffer in a period is read as it writes.
class QtSerialLink : public SerialLink
{
    Q_OBJECT

public:
    // Twice as often as the log takes received text: a period's bytes then
    // fit a driver's 4 kB buffer up to ten times the line's 5760 bytes a
    // second, and at the line rate a period holds under 300 bytes.
    static constexpr std::chrono::milliseconds GatherPeriod{50};

    explicit QtSerialLink(PortDirectory directory = PortDirectory(), QObject *parent = nullptr);

    // The numbering the link opens ports by. It never changes, so the window
    // may read it from its own thread to name the devices before they open.
    const PortDirectory &directory() const { return m_directory; }

    // Refused for numbers outside 1..16, and for a different number while open.
    bool setCommPort(qint16 port) override;
    qint16 commPort() const override { return m_commPort; }
    // Takes effect on the open line at once; kept for the next open otherwise.
    bool setSettings(const LineSettings &settings) override;
    LineSettings settings() const { return m_settings; }
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return m_connected; }
    // Latin-1: characters beyond U+00FF go out as '?'.
    void setOutput(const QString &text) override;
    QByteArray input() override;
    // The port's own write queue, and the driver's (see LineQueue).
    bool outputPending() const override;
    void discardOutput() override;
    void gatherSoon(std::chrono::milliseconds within) override;
    qintptr nativeHandle() const override;
    // name as QSerialPort names the open port (portName()).
    void deviceRemoved(const QString &name) override;
    QString deviceName() const override { return m_device; }
    QString errorString() const override { return m_errorString; }

private:
    bool open();
    void close();
    void onReadyRead();
    void gather();
    // Takes into the port's buffer what the system's driver holds.
    void pullDriverInput();
    bool fail(const QString &reason);
    QString portLabel() const;
    void onErrorOccurred(QSerialPort::SerialPortError error);
    // Closes the link at once and reports the loss from the event loop.
    void lose(const QString &what);
    void finishLoss();

    DeviceLock m_lock;
    const PortDirectory m_directory;
    qint16 m_commPort = PortDirectory::FirstPort;
    LineSettings m_settings;
    // The path opened last, for messages, with the device node it leads to.
    QString m_device;
    QString m_errorString;
    QString m_lossReason;
    // Received before a close or loss and not yet taken.
    QByteArray m_pending;
    bool m_connected = false;
    bool m_lossPending = false;
    bool m_pulling = false;
    // A far end that sends more than BusyGatherBytes within a period is read
    // as it writes, until a whole period passes with less.
    bool m_busy = false;
    qsizetype m_periodBytes = 0;
    QElapsedTimer m_period;
    QElapsedTimer m_lastGather;
    QTimer m_gather{this};
    // Last, so it is destroyed first and never signals into a half-destroyed link.
    QSerialPort m_port{this};
};
