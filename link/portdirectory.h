#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// Which device stands behind each port number the operator picks (1 to 16).
//
// TAVIMORK_PORT<N> in the environment names the device for port N outright,
// e.g. TAVIMORK_PORT1=/dev/serial/by-id/usb-FTDI_...; it wins on every platform.
// Otherwise port N is COMN on Windows, and elsewhere the N-th serial device the
// system lists, sorted by path in natural order: /dev/ttyACM0, /dev/ttyACM2,
// /dev/ttyACM10, /dev/ttyS0, /dev/ttyUSB0. That numbering shifts when adapters
// come and go, which is what the environment override is for.
class PortDirectory
{
public:
    static constexpr qint16 FirstPort = 1;
    static constexpr qint16 LastPort = 16;

    explicit PortDirectory(QProcessEnvironment env = QProcessEnvironment::systemEnvironment());
    // Numbers ports over the given device paths instead of asking the system.
    PortDirectory(QProcessEnvironment env, QStringList devices);

    // Empty when the number is out of range or has no device.
    QString deviceFor(qint16 port) const;
    // The same over serial devices the caller has already listed (a
    // directory made over given devices keeps to those).
    QString deviceFor(qint16 port, const QStringList &systemDevices) const;

    static bool isValidPort(qint16 port) { return port >= FirstPort && port <= LastPort; }
    // "TAVIMORK_PORT3" for port 3.
    static QString overrideVariable(qint16 port);
    // Natural order, duplicates removed; the same on every machine and locale.
    static QStringList naturalOrder(QStringList paths);

private:
    QStringList devices() const;

    QProcessEnvironment m_environment;
    std::optional<QStringList> m_devices;
};
