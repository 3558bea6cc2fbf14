#include "devicelistwatch.h"

#include <QFileSystemWatcher>

#include <chrono>

namespace {
// udev names and links a new adapter within a few hundred milliseconds.
constexpr std::chrono::milliseconds SettleTime{300};
} // namespace

DeviceListWatch::DeviceListWatch(const QString &deviceFolder, QObject *parent)
    : QObject(parent)
    , m_watcher(new QFileSystemWatcher(this))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleTime);
    connect(&m_settle, &QTimer::timeout, this, &DeviceListWatch::devicesChanged);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
            qOverload<>(&QTimer::start));
    m_watcher->addPath(deviceFolder);
}
