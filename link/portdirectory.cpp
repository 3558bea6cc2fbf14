#include "portdirectory.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <limits>

namespace {

QStringList naturalOrder(QStringList paths)
{
    // A fixed locale keeps the numbering identical everywhere; the C locale
    // would silently ignore numeric mode.
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::sort(paths.begin(), paths.end(), [&collator](const QString &a, const QString &b) {
        // Numeric collation deems ttyACM01 and ttyACM1 equal; break the tie so the order is total.
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return paths;
}

bool isNamed(const PortDirectory::Device &device, const QString &name)
{
    if (device.path == name || device.name == name)
        return true;
    // A stable link such as /dev/serial/by-id/... names the same node.
    const QString resolved = QFileInfo(name).canonicalFilePath();
    return !resolved.isEmpty() && resolved == QFileInfo(device.path).canonicalFilePath();
}

} // namespace

PortDirectory::PortDirectory(QProcessEnvironment env)
    : m_environment(std::move(env))
{}

PortDirectory::PortDirectory(QProcessEnvironment env, QList<Device> devices, Numbering numbering,
                             QStringList systemConsoles)
    : m_environment(std::move(env))
    , m_devices(std::move(devices))
    , m_systemConsoles(std::move(systemConsoles))
    , m_numbering(numbering)
{}

PortDirectory::Numbering PortDirectory::platformNumbering()
{
    // The build names the numbering of the system it targets.
    return Numbering::TAVIMORK_PORT_NUMBERING;
}

QString PortDirectory::deviceFor(qint16 port) const
{
    return deviceFor(port, devices());
}

PortDirectory::Device PortDirectory::describe(qint16 port) const
{
    // Listed once: asking the system costs milliseconds.
    const QList<Device> listed = devices();
    const QString path = deviceFor(port, listed);
    if (path.isEmpty())
        return {};
    for (const Device &device : listed) {
        if (isNamed(device, path)) {
            Device described = device;
            described.path = path;
            return described;
        }
    }
    return {path};
}

QList<PortDirectory::Device> PortDirectory::devices() const
{
    if (m_devices)
        return *m_devices;
    QList<Device> listed;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        listed.append({info.systemLocation(), info.hasVendorIdentifier(), info.portName(),
                       info.description(), info.serialNumber()});
    }
    return listed;
}

QStringList PortDirectory::systemConsoles() const
{
    if (m_systemConsoles)
        return *m_systemConsoles;
    // Linux's list, such as "tty0 ttyS0"; no such file elsewhere, and no
    // serial console there either.
    QFile active(QStringLiteral("/sys/class/tty/console/active"));
    if (!active.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(active.readAll()).split(u' ', Qt::SkipEmptyParts);
}

QString PortDirectory::deviceFor(qint16 port, const QList<Device> &devices) const
{
    if (!isValidPort(port))
        return {};

    const QString named = m_environment.value(overrideVariable(port)).trimmed();
    if (!named.isEmpty())
        return named;

    if (m_numbering == Numbering::ComNames)
        return QStringLiteral("COM%1").arg(port);
    QList<Device> numbered = devices;
    if (m_numbering == Numbering::CalloutDevices) {
        numbered.removeIf([](const Device &device) {
            return !device.path.startsWith(QLatin1String("/dev/cu."));
        });
    }
    const QStringList consoles = systemConsoles();
    numbered.removeIf([&consoles](const Device &device) {
        return std::any_of(consoles.cbegin(), consoles.cend(), [&device](const QString &console) {
            return isNamed(device, QStringLiteral("/dev/") + console.trimmed());
        });
    });
    const QStringList ordered = numberingOrder(numbered);
    return port <= ordered.size() ? ordered.at(port - 1) : QString();
}

qint16 PortDirectory::portForListPosition(int position)
{
    const int port = position + 1;
    if (port < std::numeric_limits<qint16>::min() || port > std::numeric_limits<qint16>::max())
        return 0;
    return static_cast<qint16>(port);
}

QString PortDirectory::overrideVariable(qint16 port)
{
    return QStringLiteral("TAVIMORK_PORT%1").arg(port);
}

QStringList PortDirectory::numberingOrder(const QList<Device> &devices)
{
    QStringList usb;
    QStringList other;
    for (const Device &device : devices)
        (device.usb ? usb : other).append(device.path);
    QStringList ordered = naturalOrder(usb) + naturalOrder(other);
    ordered.removeDuplicates();
    return ordered;
}
