#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// Which device stands behind each port number the operator picks (1 to 16).
//
// TAVIMORK_PORT<N> in the environment names the device for port N outright,
// e.g. TAVIMORK_PORT1=/dev/serial/by-id/usb-FTDI_...; it wins on every platform.
// Otherwise port N is COMN on Windows, and elsewhere the N-th serial device the
// system lists: USB adapters first (any device the system names a USB vendor
// for), then the rest, each group sorted by path in natural order:
// /dev/ttyACM0, /dev/ttyACM2, /dev/ttyACM10, /dev/ttyUSB0, then /dev/ttyS0.
// So a computer's built-in port does not push the operator's adapter off
// port 1. That numbering shifts when adapters come and go, which is what the
// environment override is for. macOS lists every port twice, as /dev/cu.* and
// /dev/tty.*; only the cu.* devices are numbered there, since opening a tty.*
// waits for a carrier a robot's adapter never raises. A line the system's own
// console runs on (a headless machine's or a virtual machine's ttyS0, as
// Linux names them in /sys/class/tty/console/active) is never numbered: a
// Connect there would type motion bytes into a login prompt. The environment
// can still name it.
class PortDirectory
{
public:
    static constexpr qint16 FirstPort = 1;
    static constexpr qint16 LastPort = 16;

    struct Device
    {
        QString path;
        bool usb = false;
        // What the system says of it, where it says anything: the short name
        // (COM3, ttyUSB0), the product's description and its serial number.
        QString name{};
        QString description{};
        QString serialNumber{};
    };

    enum class Numbering {
        // Port N is COMN.
        ComNames,
        // Port N is the N-th device listed.
        ListedDevices,
        // The same over the /dev/cu.* devices only.
        CalloutDevices,
    };
    // The numbering of the system the program was built for.
    static Numbering platformNumbering();

    explicit PortDirectory(QProcessEnvironment env = QProcessEnvironment::systemEnvironment());
    // Numbers ports over the given devices instead of asking the system,
    // with the given console lines (short names, as ttyS0) as its own.
    PortDirectory(QProcessEnvironment env, QList<Device> devices,
                  Numbering numbering = platformNumbering(), QStringList systemConsoles = {});

    // Empty when the number is out of range or has no device.
    QString deviceFor(qint16 port) const;
    // The device for the port, named as deviceFor() names it, with what the
    // system says of it; an empty path when there is none.
    Device describe(qint16 port) const;

    static bool isValidPort(qint16 port) { return port >= FirstPort && port <= LastPort; }
    // The port list shows "1" to "16"; list position p stands for port p + 1,
    // so "no selection" (-1) asks for port 0, which no link opens.
    static qint16 portForListPosition(int position);
    // "TAVIMORK_PORT3" for port 3.
    static QString overrideVariable(qint16 port);
    // The paths in port order: USB devices first, each group in natural order
    // (the same on every machine and locale), duplicates removed.
    static QStringList numberingOrder(const QList<Device> &devices);

private:
    // The given devices, or else the system's, listed now: adapters are
    // plugged in while the console runs.
    QList<Device> devices() const;
    // The short names of the lines the system's console runs on now.
    QStringList systemConsoles() const;
    QString deviceFor(qint16 port, const QList<Device> &devices) const;

    QProcessEnvironment m_environment;
    std::optional<QList<Device>> m_devices;
    std::optional<QStringList> m_systemConsoles;
    Numbering m_numbering = platformNumbering();
};
