#include "pseudoterminal.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    int slave = -1;
    char name[128] = {};
    if (::openpty(&m_fd, &slave, name, nullptr, nullptr) != 0) {
        m_error = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        m_fd = -1;
        return;
    }
    // Raw, so nothing written here is echoed back as if the program had sent it.
    termios settings{};
    ::tcgetattr(m_fd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(m_fd, TCSANOW, &settings);
    // Only the program under test holds the slave, so its release shows
    // here and the master's close is a real hang-up.
    ::close(slave);
    // Programs started while this is open must not keep it.
    ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::PseudoTerminal(const QString &device, Settings settings)
    : m_fd(
          ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
    termios attributes{};
    if (m_fd >= 0 && settings == Settings::Raw && ::tcgetattr(m_fd, &attributes) == 0) {
        ::cfmakeraw(&attributes);
        ::cfsetspeed(&attributes, B57600);
        ::tcsetattr(m_fd, TCSANOW, &attributes);
    }
}

bool PseudoTerminal::write(const QByteArray &bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd writable{m_fd, POLLOUT, 0};
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0 || ::poll(&writable, 1, int(remaining)) == 0)
            return false;
    }
    return true;
}

qsizetype PseudoTerminal::writeSome(const QByteArray &bytes)
{
    const ssize_t n = ::write(m_fd, bytes.constData(), bytes.size());
    return n > 0 ? n : 0;
}

qsizetype PseudoTerminal::readInto(QByteArray *received)
{
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
        received->append(buffer, n);
    return received->size();
}

const QByteArray &PseudoTerminal::received()
{
    readInto(&m_received);
    return m_received;
}

QList<QByteArray> PseudoTerminal::lines()
{
    QList<QByteArray> result = received().split('\n');
    result.removeLast(); // unterminated tail, or empty after the last LF
    for (QByteArray &line : result)
        line.chop(line.endsWith('\r') ? 1 : 0);
    return result;
}

bool PseudoTerminal::waitForInput(int timeoutMs) const
{
    pollfd readable{m_fd, POLLIN, 0};
    return ::poll(&readable, 1, timeoutMs) > 0;
}

qsizetype PseudoTerminal::unreadCount() const
{
    int count = 0;
    return ::ioctl(m_fd, FIONREAD, &count) == 0 ? count : 0;
}

termios PseudoTerminal::lineSettings() const
{
    termios settings{};
    if (::tcgetattr(m_fd, &settings) != 0)
        settings = termios{};
    return settings;
}

speed_t PseudoTerminal::lineSpeed() const
{
    const termios settings = lineSettings();
    return ::cfgetospeed(&settings);
}

bool PseudoTerminal::isHeldOpen() const
{
    pollfd state{m_fd, 0, 0};
    ::poll(&state, 1, 0);
    return !(state.revents & POLLHUP);
}

bool PseudoTerminal::isExclusive() const
{
    const int slave =
        ::open(QFile::encodeName(m_slavePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0)
        return errno == EBUSY;
    int exclusive = 0;
    ::ioctl(slave, TIOCGEXCL, &exclusive);
    ::close(slave);
    return exclusive != 0;
}

QStringList PseudoTerminal::lockFiles() const
{
    const QString name = QString(m_slavePath).remove(QStringLiteral("/dev/")).replace(u'/', u'_');
    QStringList found;
    for (const char *directory : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"}) {
        const QString path = QStringLiteral("%1/LCK..%2").arg(QLatin1String(directory), name);
        if (QFileInfo::exists(path))
            found << path;
    }
    return found;
}

void PseudoTerminal::hangUp()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
