#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QFileSystemWatcher;

// Tells when serial devices may have come or gone, so the status line can
// name the device a port number stands for now. It watches the device folder
// (inotify on Linux) rather than asking the system for its ports on a timer:
// nothing runs while nothing is plugged in or out.
class DeviceListWatch : public QObject
{
    Q_OBJECT

public:
    explicit DeviceListWatch(const QString &deviceFolder = QStringLiteral("/dev"),
                             QObject *parent = nullptr);

signals:
    // Once for a burst of changes: one adapter makes several nodes and links.
    void devicesChanged();

private:
    QFileSystemWatcher *const m_watcher;
    QTimer m_settle{this};
};
