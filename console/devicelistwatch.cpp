#include "devicelistwatch.h"

#include <QFileSystemWatcher>

#include <chrono>

namespace {
// udev names and links a new adapter within a few hundred milliseconds.
constexpr std::chrono::milliseconds SettleTime{300};
} // namespace

FolderNotices::FolderNotices(const QString &folder, QObject *parent)
    : DeviceNotices(parent)
    , m_watcher(new QFileSystemWatcher(this))
{
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &DeviceNotices::noticed);
    m_watcher->addPath(folder);
}

DeviceListWatch::DeviceListWatch(QObject *parent)
    : DeviceListWatch(DeviceNotices::forThisSystem(nullptr), parent)
{}

DeviceListWatch::DeviceListWatch(DeviceNotices *notices, QObject *parent)
    : QObject(parent)
    , m_notices(notices)
{
    m_notices->setParent(this);
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleTime);
    connect(&m_settle, &QTimer::timeout, this, &DeviceListWatch::devicesChanged);
    connect(m_notices, &DeviceNotices::portRemoved, this, &DeviceListWatch::portRemoved);
    connect(m_notices, &DeviceNotices::noticed, this, [this] {
        if (m_watching)
            m_settle.start();
    });
}

void DeviceListWatch::setWatching(bool watching)
{
    m_watching = watching;
    m_notices->setActive(watching);
    if (!watching)
        m_settle.stop();
}
