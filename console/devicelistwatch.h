#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QFileSystemWatcher;

// A sign that serial devices may have come or gone.
class DeviceNotices : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The system's own: on Linux the device folder (inotify), on Windows the
    // device broadcasts every top-level window gets, elsewhere the port list
    // compared once a second while active.
    static DeviceNotices *forThisSystem(QObject *parent);

    // Off while nobody needs to know, for sources that cost something.
    virtual void setActive(bool) {}

signals:
    void noticed();
    // The system named a serial port that went away (only Windows does),
    // whether active or not.
    void portRemoved(const QString &name);
};

// Entries of a folder of device nodes coming and going.
class FolderNotices : public DeviceNotices
{
    Q_OBJECT

public:
    explicit FolderNotices(const QString &folder, QObject *parent = nullptr);

private:
    QFileSystemWatcher *const m_watcher;
};

// Tells when serial devices may have come or gone, so the status line can
// name the device a port number stands for now. It listens to the system
// rather than asking for the ports on a timer where the system can tell:
// then nothing runs while nothing is plugged in or out.
class DeviceListWatch : public QObject
{
    Q_OBJECT

public:
    // Takes the notices; the system's own by default.
    explicit DeviceListWatch(QObject *parent = nullptr);
    DeviceListWatch(DeviceNotices *notices, QObject *parent);

    // Off while a port is open: its line says what was opened.
    void setWatching(bool watching);

signals:
    // Once for a burst of changes: one adapter makes several nodes and links.
    void devicesChanged();
    // As DeviceNotices::portRemoved(), at once and while not watching too:
    // it may be the open port's.
    void portRemoved(const QString &name);

private:
    DeviceNotices *const m_notices;
    QTimer m_settle{this};
    bool m_watching = false;
};
