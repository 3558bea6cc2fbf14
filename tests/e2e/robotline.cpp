#include "robotline.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
// Only bounds how long the destructor waits for the reader to notice.
constexpr int PollSliceMs = 20;
} // namespace

RobotLine::RobotLine()
{
    m_clock.start();
    int slave = -1;
    char name[128] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_error = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        m_master = -1;
        return;
    }
    // Raw, so nothing written here is echoed back as if the console had sent it.
    termios settings{};
    ::tcgetattr(m_master, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(m_master, TCSANOW, &settings);
    // Only the console may hold the slave, or its release would go unseen.
    ::close(slave);
    // Tools and the console are started while this is open; they must not keep it.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_devicePath = QString::fromLocal8Bit(name);

    m_reader.reset(QThread::create([this] { readLoop(); }));
    m_reader->start();
}

RobotLine::~RobotLine()
{
    if (m_reader) {
        m_stopping.storeRelaxed(1);
        m_reader->wait();
    }
    if (m_master >= 0)
        ::close(m_master);
}

qsizetype RobotLine::receivedCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_received.size();
}

QByteArray RobotLine::receivedSince(qsizetype mark) const
{
    QMutexLocker lock(&m_mutex);
    return m_received.mid(mark);
}

QList<qint64> RobotLine::arrivalsSince(qsizetype mark) const
{
    QMutexLocker lock(&m_mutex);
    return m_arrivals.mid(mark);
}

bool RobotLine::write(const QByteArray &bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd writable{m_master, POLLOUT, 0};
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0 || ::poll(&writable, 1, int(remaining)) == 0)
            return false;
    }
    return true;
}

termios RobotLine::lineSettings() const
{
    termios settings{};
    if (::tcgetattr(m_master, &settings) != 0)
        settings = termios{};
    return settings;
}

bool RobotLine::isHeldOpen() const
{
    pollfd state{m_master, 0, 0};
    ::poll(&state, 1, 0);
    return !(state.revents & POLLHUP);
}

bool RobotLine::isExclusive() const
{
    const int slave =
        ::open(QFile::encodeName(m_devicePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0)
        return errno == EBUSY;
    int exclusive = 0;
    ::ioctl(slave, TIOCGEXCL, &exclusive);
    ::close(slave);
    return exclusive != 0;
}

QStringList RobotLine::lockFiles() const
{
    // /dev/pts/7 is locked as LCK..pts_7.
    const QString name = QString(m_devicePath).remove(QStringLiteral("/dev/")).replace(u'/', u'_');
    QStringList found;
    for (const char *directory : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"}) {
        const QString path = QStringLiteral("%1/LCK..%2").arg(QLatin1String(directory), name);
        if (QFileInfo::exists(path))
            found << path;
    }
    return found;
}

qsizetype RobotLine::unreadCount() const
{
    int count = 0;
    return ::ioctl(m_master, FIONREAD, &count) == 0 ? count : 0;
}

void RobotLine::readLoop()
{
    while (!m_stopping.loadRelaxed()) {
        pollfd readable{m_master, POLLIN, 0};
        if (::poll(&readable, 1, PollSliceMs) <= 0)
            continue;
        // With nobody on the slave every poll returns a hang-up at once; without
        // this pause the reader would spin.
        if (!drain())
            QThread::msleep(2);
    }
}

bool RobotLine::drain()
{
    char buffer[4096];
    bool gotAny = false;
    ssize_t n;
    while ((n = ::read(m_master, buffer, sizeof buffer)) > 0) {
        const qint64 stamp = m_clock.nsecsElapsed();
        QMutexLocker lock(&m_mutex);
        m_received.append(buffer, n);
        m_arrivals.insert(m_arrivals.size(), n, stamp);
        gotAny = true;
    }
    return gotAny;
}
