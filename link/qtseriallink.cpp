#include "qtseriallink.h"

#include <QDeadlineTimer>
#include <QThread>

#include <chrono>
#include <utility>

Q_LOGGING_CATEGORY(lcLink, "tavimork.link", QtWarningMsg)

namespace {
// Long enough for a stop to cross any line that is being read at all, short
// enough that a far end that stopped reading does not hold up the close.
constexpr std::chrono::milliseconds CloseDrainTimeout{500};
constexpr std::chrono::milliseconds DriverDrainPoll{5};
// Between reads the port takes in only this much, so the thread wakes once
// when bytes start to come in, not on each arrival after it.
constexpr qint64 PeekBytes = 1;
// More than this in a gather period, three quarters of a driver's 4 kB input
// buffer (a Linux tty's), means the far end writes fast enough that waiting a
// period could fill that buffer and lose bytes: until a period brings less,
// bytes are read as they come. The line's own rate brings under 300 bytes.
constexpr qsizetype BusyGatherBytes = 3072;
} // namespace

QtSerialLink::QtSerialLink(PortDirectory directory, QObject *parent)
    : SerialLink(parent)
    , m_directory(std::move(directory))
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialLink::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLink::onErrorOccurred);
    m_gather.setSingleShot(true);
    m_gather.setTimerType(Qt::PreciseTimer);
    connect(&m_gather, &QTimer::timeout, this, &QtSerialLink::gather);
}

bool QtSerialLink::setCommPort(qint16 port)
{
    if (!PortDirectory::isValidPort(port)) {
        return fail(tr("Port %1 does not exist; choose a port from %2 to %3")
                        .arg(port)
                        .arg(PortDirectory::FirstPort)
                        .arg(PortDirectory::LastPort));
    }
    if (m_connected && port != m_commPort)
        return fail(tr("Close port %1 before choosing port %2").arg(m_commPort).arg(port));
    m_commPort = port;
    return true;
}

bool QtSerialLink::setSettings(const LineSettings &settings)
{
    if (m_connected && !settings.applyTo(m_port)) {
        const QString reason = m_port.errorString();
        // Best effort: leave the line as it was.
        m_settings.applyTo(m_port);
        return fail(tr("Cannot use line settings %1 on %2: %3")
                        .arg(settings.toString(), portLabel(), reason));
    }
    m_settings = settings;
    return true;
}

bool QtSerialLink::setPortOpen(bool open)
{
    if (m_lossPending) {
        m_lossPending = false;
        close();
    }
    if (!open) {
        close();
        return true;
    }
    return m_connected || this->open();
}

void QtSerialLink::setOutput(const QString &text)
{
    if (!m_connected || text.isEmpty())
        return;
    m_port.write(text.toLatin1());
    // Out now, not when the event loop next looks at the port, so the next
    // tick finds the line clear. Only into a line with room: QSerialPort
    // reports a write that finds a full line as a resource error, as if the
    // device were unplugged.
    if (LineQueue::hasRoom(m_port))
        m_port.flush();
}

bool QtSerialLink::outputPending() const
{
    return m_connected && (m_port.bytesToWrite() > 0 || LineQueue::driverHoldsOutput(m_port));
}

void QtSerialLink::discardOutput()
{
    if (m_connected)
        m_port.clear(QSerialPort::Output);
}

void QtSerialLink::gatherSoon(std::chrono::milliseconds within)
{
    // On the next pass of the loop, not now: the tick's byte goes first.
    if (m_gather.isActive() && m_gather.remainingTimeAsDuration() <= within)
        m_gather.start(0);
}

qintptr QtSerialLink::nativeHandle() const
{
    // An int or a HANDLE, as the system has it.
    return m_connected ? qintptr(m_port.handle()) : -1;
}

QByteArray QtSerialLink::input()
{
    QByteArray data = std::exchange(m_pending, QByteArray());
    if (m_port.isOpen())
        data += m_port.readAll();
    return data;
}

void QtSerialLink::onReadyRead()
{
    if (!m_connected || m_pulling || m_gather.isActive())
        return;
    // The first bytes after a quiet spell go on at once; a stream is read
    // once per period, unless it is fast.
    const qint64 wait =
        m_lastGather.isValid() && !m_busy ? GatherPeriod.count() - m_lastGather.elapsed() : 0;
    if (wait > 0)
        m_gather.start(std::chrono::milliseconds(wait));
    else
        gather();
}

void QtSerialLink::gather()
{
    if (!m_connected)
        return;
    pullDriverInput();
    // Taken out of the port, so that its next bytes are peeked at again
    // whenever input() is called.
    const QByteArray gathered = m_port.readAll();
    // Judged by period, not by read: read as it comes, a fast stream comes in
    // small pieces, and a wait after each small one would overrun the driver.
    m_periodBytes += gathered.size();
    if (!m_period.isValid() || m_period.elapsed() >= GatherPeriod.count()) {
        m_busy = m_periodBytes > BusyGatherBytes;
        m_periodBytes = 0;
        m_period.start();
    } else if (m_periodBytes > BusyGatherBytes) {
        m_busy = true;
    }
    m_pending += gathered;
    m_port.setReadBufferSize(PeekBytes);
    m_lastGather.start();
    if (m_connected)
        emit OnComm();
}

void QtSerialLink::pullDriverInput()
{
    if (!m_port.isOpen())
        return;
    m_pulling = true;
    m_port.setReadBufferSize(0);
    // Reads what the driver holds now, without waiting for more.
    m_port.waitForReadyRead(0);
    m_pulling = false;
}

bool QtSerialLink::open()
{
    const QString device = m_directory.deviceFor(m_commPort);
    if (device.isEmpty())
        return fail(tr("No serial device for port %1").arg(m_commPort));

    m_device = device;
    const QString real = DeviceLock::deviceNode(device);
    if (real.isEmpty())
        return fail(tr("Cannot open %1: no such device").arg(portLabel()));
    m_device = real == device ? device : tr("%1 (%2)").arg(device, real);

    // Before QSerialPort touches the line, so a refused open leaves the holder's
    // settings alone.
    switch (m_lock.tryAcquire(real)) {
    case DeviceLock::Outcome::Acquired:
        break;
    case DeviceLock::Outcome::Held:
        return fail(tr("Cannot open %1: in use by another program").arg(portLabel()));
    case DeviceLock::Outcome::Failed:
        return fail(tr("Cannot open %1: %2").arg(portLabel(), m_lock.errorString()));
    }

    m_port.setPortName(real);
    // The port is closed here, so these only become the settings it opens with.
    m_settings.applyTo(m_port);
    m_port.setFlowControl(QSerialPort::NoFlowControl);

    if (!m_port.open(QIODevice::ReadWrite)) {
        QString reason = m_port.errorString();
        if (m_port.error() == QSerialPort::PermissionError) {
            // Asked while the device lock still holds its descriptor, as it did
            // when QSerialPort tried to create its lock file.
            const QString shortage = DeviceLock::descriptorShortage();
            reason = shortage.isEmpty()
                         ? tr("%1 (in use by another program, or no access rights)").arg(reason)
                         : shortage;
        }
        m_lock.release();
        return fail(tr("Cannot open %1: %2").arg(portLabel(), reason));
    }
    // QSerialPort does not reliably report a refused setting at open; setting each
    // again on the open device does.
    if (!m_settings.applyTo(m_port) || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        const QString reason = m_port.errorString();
        m_port.close();
        m_lock.release();
        return fail(tr("Cannot use line settings %1 on %2: %3")
                        .arg(m_settings.toString(), portLabel(), reason));
    }

    m_pending.clear();
    m_port.setReadBufferSize(PeekBytes);
    m_lastGather.invalidate();
    m_busy = false;
    m_periodBytes = 0;
    m_period.invalidate();
    m_connected = true;
    qCInfo(lcLink).noquote() << "opened" << portLabel() << "at" << m_settings.toString();
    return true;
}

void QtSerialLink::close()
{
    const bool healthy = m_connected;
    m_connected = false;
    m_gather.stop();
    if (m_port.isOpen()) {
        if (healthy) {
            // A stop written just before closing must still reach the robot.
            const QDeadlineTimer deadline(CloseDrainTimeout);
            while (m_port.bytesToWrite() > 0 && !deadline.hasExpired())
                m_port.waitForBytesWritten(int(deadline.remainingTime()));
            while (LineQueue::driverHoldsOutput(m_port) && !deadline.hasExpired())
                QThread::msleep(static_cast<unsigned long>(DriverDrainPoll.count()));
        }
        // Whatever a far end that stopped reading did not take goes now, not
        // when (or if) it reads again. Only then: flushing also drops bytes
        // on their way through a pseudo-terminal, which no queue shows.
        if (m_port.bytesToWrite() > 0 || LineQueue::driverHoldsOutput(m_port)) {
            qCInfo(lcLink) << "dropping what the far end did not take";
            m_port.clear(QSerialPort::Output);
        }
        pullDriverInput();
        m_pending += m_port.readAll();
        m_port.close();
        qCInfo(lcLink).noquote() << "closed" << portLabel();
    }
    m_lock.release();
    // What the port still held, read as it closed or failed, is received
    // like any other bytes, before the close is reported.
    if (!m_pending.isEmpty())
        emit OnComm();
}

bool QtSerialLink::fail(const QString &reason)
{
    qCInfo(lcLink).noquote() << "refused:" << reason;
    m_errorString = reason;
    return false;
}

QString QtSerialLink::portLabel() const
{
    return tr("port %1 (%2)").arg(m_commPort).arg(m_device);
}

void QtSerialLink::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (!m_connected)
        return;

    // A hung-up tty reads end-of-file, or refuses a write, and QSerialPort
    // then quotes a stale errno, so its text would only mislead.
    const QString hungUp = tr("the far end hung up or the device was unplugged");
    QString what;
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::DeviceNotFoundError:
        what = LineState::hungUp(m_port) ? hungUp
                                         : tr("the device was unplugged or stopped responding (%1)")
                                               .arg(m_port.errorString());
        break;
    case QSerialPort::ReadError:
        what = hungUp;
        break;
    case QSerialPort::WriteError:
        what = tr("writing failed (%1)").arg(m_port.errorString());
        break;
    default:
        return;
    }
    lose(what);
}

void QtSerialLink::deviceRemoved(const QString &name)
{
    // Windows' port names ignore case.
    if (m_connected && name.compare(m_port.portName(), Qt::CaseInsensitive) == 0)
        lose(tr("the system reports the device removed"));
}

void QtSerialLink::lose(const QString &what)
{
    m_connected = false;
    m_lossReason = tr("%1: %2").arg(portLabel(), what);
    qCInfo(lcLink).noquote() << "lost" << m_lossReason;
    m_errorString = m_lossReason;
    m_pending += m_port.readAll();
    m_lossPending = true;
    // Closing inside QSerialPort's error callback would delete its notifier
    // there. Until the close, a hung-up tty keeps reporting errors; they are
    // ignored above.
    QMetaObject::invokeMethod(this, &QtSerialLink::finishLoss, Qt::QueuedConnection);
}

void QtSerialLink::finishLoss()
{
    if (!m_lossPending)
        return;
    m_lossPending = false;
    close();
    emit portLost(m_lossReason);
}
