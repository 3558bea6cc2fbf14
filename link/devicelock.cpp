#include "devicelock.h"

#ifdef Q_OS_UNIX
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

QString DeviceLock::deviceNode(const QString &devicePath)
{
#ifdef Q_OS_UNIX
    return QFileInfo(devicePath).canonicalFilePath();
#else
    return devicePath;
#endif
}

DeviceLock::Outcome DeviceLock::tryAcquire(const QString &devicePath)
{
    release();
    m_error.clear();
#ifdef Q_OS_UNIX
    // Non-blocking so a modem line without carrier cannot stall the open.
    m_fd = ::open(QFile::encodeName(devicePath).constData(),
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
#else
    Q_UNUSED(devicePath)
#endif
    return Outcome::Acquired;
}

void DeviceLock::release()
{
#ifdef Q_OS_UNIX
    if (m_fd != -1)
        ::close(m_fd);
#endif
    m_fd = -1;
}

QString DeviceLock::descriptorShortage()
{
#ifdef Q_OS_UNIX
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (probe != -1) {
        ::close(probe);
        return {};
    }
    const int error = errno;
    if (error == EMFILE || error == ENFILE)
        return qt_error_string(error);
#endif
    return {};
}
