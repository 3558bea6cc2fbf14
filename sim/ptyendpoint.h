#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class DeviceOpenWatcher;
class QSocketNotifier;

// The robot's end of the serial line: a pseudo-terminal whose slave device the
// console opens as if it were a serial port. Raw 8N1, nothing translated.
//
// Like a real line, output only goes out while a console has the device open;
// what is sent to nobody, or left unread when the console closes, is lost.
class PtyEndpoint : public QObject
{
    Q_OBJECT

public:
    // Output waiting for a console that reads slower than we write.
    static constexpr qsizetype MaxPendingBytes = 64 * 1024;

    explicit PtyEndpoint(QObject *parent = nullptr);
    ~PtyEndpoint() override;

    bool open();
    QString errorString() const { return m_error; }
    QString devicePath() const { return m_devicePath; }
    bool peerConnected() const { return m_peerConnected; }
    // Writes refused because the console fell too far behind.
    qint64 droppedBytes() const { return m_droppedBytes; }

    // Takes all of the bytes or none of them, so status lines are never torn.
    void write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);
    void peerConnectedChanged(bool connected);
    void failed(const QString &reason);

private:
    bool fail(const QString &what);
    // Stops all I/O for good and reports why.
    void breakDown(const QString &reason);
    void readMaster();
    void flushPending();
    void onOpenCountChanged(int count);

    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QString m_error;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    DeviceOpenWatcher *m_openWatcher = nullptr;
    QByteArray m_pending;
    qint64 m_droppedBytes = 0;
    bool m_peerConnected = false;
};
