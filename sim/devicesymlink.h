#pragma once

#include <QString>

// A symbolic link to the device at a path the console is configured with,
// removed again when this goes away.
class DeviceSymlink
{
public:
    DeviceSymlink() = default;
    ~DeviceSymlink();
    DeviceSymlink(const DeviceSymlink &) = delete;
    DeviceSymlink &operator=(const DeviceSymlink &) = delete;

    // Replaces a link left behind by an earlier run, but never a real file.
    bool create(const QString &linkPath, const QString &target);
    QString errorString() const { return m_error; }

private:
    QString m_linkPath;
    QString m_target;
    QString m_error;
};
