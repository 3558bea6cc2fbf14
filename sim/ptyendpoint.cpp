#include "ptyendpoint.h"

#include "deviceopenwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr speed_t BaudRate = B57600;
constexpr qsizetype MaxReadBytesPerWakeup = 64 * 1024;

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool makeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings); // 8 data bits, no parity, no echo, no translation
    settings.c_cflag &= ~CSTOPB;
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&settings, BaudRate);
    ::cfsetospeed(&settings, BaudRate);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

PtyEndpoint::PtyEndpoint(QObject *parent)
    : QObject(parent)
{}

PtyEndpoint::~PtyEndpoint()
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyEndpoint::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail(QStringLiteral("unlocking the pseudo-terminal"));
    char name[256];
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail(QStringLiteral("ptsname"));
    if (::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
        return fail(QStringLiteral("making the master non-blocking"));

    // While any slave fd is open the master never sees hangup, so a console
    // closing the port does not leave us spinning on POLLHUP and EIO. We only
    // hold this one, never read it.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_slave < 0)
        return fail(QStringLiteral("opening %1").arg(QString::fromLocal8Bit(name)));
    if (!makeRaw(m_slave))
        return fail(QStringLiteral("setting raw mode"));
    m_devicePath = QString::fromLocal8Bit(name);

    // Watch after our own open so only the console's opens are counted.
    m_openWatcher = new DeviceOpenWatcher(this);
    if (m_openWatcher->watch(m_devicePath)) {
        connect(m_openWatcher, &DeviceOpenWatcher::openCountChanged, this,
                &PtyEndpoint::onOpenCountChanged);
    } else {
        qWarning("cannot tell when a console is attached (%s); sending all the time",
                 qPrintable(m_openWatcher->errorString()));
        m_peerConnected = true;
    }

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyEndpoint::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyEndpoint::flushPending);
    return true;
}

void PtyEndpoint::write(const QByteArray &bytes)
{
    if (!m_writeNotifier || !m_peerConnected)
        return;
    if (m_pending.size() + bytes.size() > MaxPendingBytes) {
        m_droppedBytes += bytes.size();
        return;
    }
    m_pending += bytes;
    if (!m_writeNotifier->isEnabled())
        flushPending();
}

bool PtyEndpoint::fail(const QString &what)
{
    m_error = QStringLiteral("%1: %2").arg(what, lastError());
    return false;
}

void PtyEndpoint::breakDown(const QString &reason)
{
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    m_error = reason;
    emit failed(reason);
}

void PtyEndpoint::readMaster()
{
    QByteArray data;
    char buffer[4096];
    while (data.size() < MaxReadBytesPerWakeup) {
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0) {
            data.append(buffer, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            break;
        // Cannot happen while we hold the slave; if it does, the line is gone.
        breakDown(QStringLiteral("reading the pseudo-terminal: %1")
                      .arg(count == 0 ? QStringLiteral("end of file") : lastError()));
        return;
    }
    if (!data.isEmpty())
        emit received(data);
}

void PtyEndpoint::flushPending()
{
    while (!m_pending.isEmpty()) {
        const ssize_t count = ::write(m_master, m_pending.constData(), m_pending.size());
        if (count > 0) {
            m_pending.remove(0, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            break;
        breakDown(QStringLiteral("writing the pseudo-terminal: %1").arg(lastError()));
        return;
    }
    m_writeNotifier->setEnabled(!m_pending.isEmpty());
}

void PtyEndpoint::onOpenCountChanged(int count)
{
    const bool connected = count > 0;
    if (connected == m_peerConnected)
        return;
    m_peerConnected = connected;
    if (!connected) {
        // What the console left unread would reach the next one as stale lines.
        ::tcflush(m_slave, TCIFLUSH);
        m_pending.clear();
        m_writeNotifier->setEnabled(false);
    }
    emit peerConnectedChanged(connected);
}
