#pragma once

#include "seriallink.h"

#include <QByteArray>
#include <QList>

#include <utility>

// A serial link that records what is written and lets a test decide whether
// the port opens, what arrives and when it is lost.
class FakeSerialLink : public SerialLink
{
    Q_OBJECT

public:
    using SerialLink::SerialLink;

    bool setCommPort(qint16 port) override
    {
        calls.append(QStringLiteral("CommPort=%1").arg(port));
        if (port < 1 || port > 16) {
            m_error = QStringLiteral("no such port");
            return false;
        }
        m_commPort = port;
        return true;
    }
    qint16 commPort() const override { return m_commPort; }
    bool setSettings(const LineSettings &line) override
    {
        calls.append(QStringLiteral("Settings=") + line.toString());
        settings = line;
        return true;
    }
    bool setPortOpen(bool open) override
    {
        calls.append(QStringLiteral("PortOpen=%1").arg(open ? "True" : "False"));
        if (open && !opens) {
            m_error = QStringLiteral("refused by test");
            return false;
        }
        m_open = open;
        if (!open)
            queued.clear();
        return true;
    }
    bool portOpen() const override { return m_open; }
    void setOutput(const QString &text) override
    {
        if (!m_open)
            return;
        if (stalled)
            queued += text.toLatin1();
        else
            written += text.toLatin1();
    }
    QByteArray input() override { return std::exchange(pending, QByteArray()); }
    bool outputPending() const override { return !queued.isEmpty(); }
    void discardOutput() override { queued.clear(); }
    qintptr nativeHandle() const override { return -1; }
    void deviceRemoved(const QString &name) override
    {
        calls.append(QStringLiteral("DeviceRemoved=") + name);
    }
    QString deviceName() const override { return QStringLiteral("/dev/fake%1").arg(m_commPort); }
    QString errorString() const override { return m_error; }

    // Test controls.
    void receive(const QByteArray &bytes)
    {
        pending += bytes;
        emit OnComm();
    }
    // The far end takes what waited for it, and reads on from now.
    void readAgain()
    {
        stalled = false;
        written += std::exchange(queued, QByteArray());
    }
    void lose(const QString &reason)
    {
        m_open = false;
        emit portLost(reason);
    }
    // Failed, and not reported yet: a close now settles it without portLost(),
    // as QtSerialLink does before its report's turn in the event loop.
    void failUnreported() { m_open = false; }

    bool opens = true;
    // The far end does not read: writes wait in queued.
    bool stalled = false;
    qint16 m_commPort = 0;
    LineSettings settings;
    QStringList calls;
    QByteArray written;
    QByteArray queued;
    QByteArray pending;

private:
    bool m_open = false;
    QString m_error;
};
