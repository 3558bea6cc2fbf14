#include "serialdevice.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

QString DeviceLock::deviceNode(const QString &devicePath)
{
    return QFileInfo(devicePath).canonicalFilePath();
}

DeviceLock::Outcome DeviceLock::tryAcquire(const QString &deviceNode)
{
    release();
    m_error.clear();
    // Non-blocking so a modem line without carrier cannot stall the open.
    m_fd = ::open(QFile::encodeName(deviceNode).constData(),
                  O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd == -1) {
        const int error = errno;
        if (error == EBUSY) // another holder set TIOCEXCL
            return Outcome::Held;
        m_error = qt_error_string(error);
        return Outcome::Failed;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == -1) {
        const int error = errno;
        release();
        if (error == EWOULDBLOCK)
            return Outcome::Held;
        m_error = qt_error_string(error);
        return Outcome::Failed;
    }
    return Outcome::Acquired;
}

void DeviceLock::release()
{
    if (m_fd != -1)
        ::close(m_fd);
    m_fd = -1;
}

QString DeviceLock::descriptorShortage()
{
    // As many at once as QSerialPort takes beside the device lock (its lock
    // file and the device): a descriptor another thread held only for a
    // moment when QSerialPort asked may be free again by now, and one spare
    // would still be too few.
    constexpr int NeededByAnOpen = 2;
    int probes[NeededByAnOpen];
    int opened = 0;
    int error = 0;
    for (; opened < NeededByAnOpen; ++opened) {
        probes[opened] = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (probes[opened] == -1) {
            error = errno;
            break;
        }
    }
    for (int i = 0; i < opened; ++i)
        ::close(probes[i]);
    if (error == EMFILE || error == ENFILE)
        return qt_error_string(error);
    return {};
}

namespace LineQueue {

bool driverHoldsOutput(const QSerialPort &port)
{
    int queued = 0;
    return ::ioctl(port.handle(), TIOCOUTQ, &queued) == 0 && queued > 0;
}

bool hasRoom(const QSerialPort &port)
{
    pollfd poll{port.handle(), POLLOUT, 0};
    return ::poll(&poll, 1, 0) == 1 && (poll.revents & POLLOUT);
}

} // namespace LineQueue

namespace LineState {

bool hungUp(const QSerialPort &port)
{
    pollfd poll{port.handle(), POLLOUT, 0};
    return ::poll(&poll, 1, 0) == 1 && (poll.revents & POLLHUP);
}

} // namespace LineState
