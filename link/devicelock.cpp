#include "devicelock.h"

#ifdef Q_OS_UNIX
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

bool DeviceLock::tryAcquire(const QString &devicePath)
{
    release();
#ifdef Q_OS_UNIX
    // Non-blocking so a modem line without carrier cannot stall the open.
    m_fd = ::open(QFile::encodeName(devicePath).constData(),
                  O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd == -1)
        return errno != EBUSY; // EBUSY: another holder set TIOCEXCL
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == -1) {
        const bool taken = errno == EWOULDBLOCK;
        release();
        return !taken;
    }
#else
    Q_UNUSED(devicePath)
#endif
    return true;
}

void DeviceLock::release()
{
#ifdef Q_OS_UNIX
    if (m_fd != -1)
        ::close(m_fd);
#endif
    m_fd = -1;
}
