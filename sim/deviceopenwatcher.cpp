#include "deviceopenwatcher.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

DeviceOpenWatcher::DeviceOpenWatcher(QObject *parent)
    : QObject(parent)
{}

DeviceOpenWatcher::~DeviceOpenWatcher()
{
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_fd >= 0)
        ::close(m_fd);
}

bool DeviceOpenWatcher::watch(const QString &path)
{
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        m_error = QStringLiteral("inotify: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (::inotify_add_watch(m_fd, path.toLocal8Bit().constData(), IN_OPEN | IN_CLOSE) < 0) {
        m_error = QStringLiteral("cannot watch %1: %2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DeviceOpenWatcher::readEvents);
    return true;
}

void DeviceOpenWatcher::readEvents()
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const int before = m_openCount;
            if (event->mask & IN_OPEN)
                ++m_openCount;
            if (event->mask & IN_CLOSE)
                m_openCount = std::max(0, m_openCount - 1);
            // Every step, not just the net change: a close and reopen in one
            // batch must still look like a new console.
            if (m_openCount != before)
                emit openCountChanged(m_openCount);
        }
    }
}
