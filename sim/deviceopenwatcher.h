#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// Counts how many times a device node is held open by others, from the
// kernel's open and close notifications for it.
class DeviceOpenWatcher : public QObject
{
    Q_OBJECT

public:
    explicit DeviceOpenWatcher(QObject *parent = nullptr);
    ~DeviceOpenWatcher() override;

    // Opens that happened before this call are not counted. False if the node
    // cannot be watched; errorString() says why.
    bool watch(const QString &path);
    QString errorString() const { return m_error; }

signals:
    void openCountChanged(int count);

private:
    void readEvents();

    int m_fd = -1;
    int m_openCount = 0;
    QSocketNotifier *m_notifier = nullptr;
    QString m_error;
};
