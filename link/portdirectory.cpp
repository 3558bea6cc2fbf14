#include "portdirectory.h"

#include <QCollator>
#include <QSerialPortInfo>

#include <algorithm>

PortDirectory::PortDirectory(QProcessEnvironment env)
    : m_environment(std::move(env))
{}

PortDirectory::PortDirectory(QProcessEnvironment env, QStringList devices)
    : m_environment(std::move(env))
    , m_devices(std::move(devices))
{}

QString PortDirectory::deviceFor(qint16 port) const
{
    return deviceFor(port, devices());
}

QString PortDirectory::deviceFor(qint16 port, const QStringList &systemDevices) const
{
    if (!isValidPort(port))
        return {};

    const QString named = m_environment.value(overrideVariable(port)).trimmed();
    if (!named.isEmpty())
        return named;

#ifdef Q_OS_WIN
    Q_UNUSED(systemDevices)
    return QStringLiteral("COM%1").arg(port);
#else
    const QStringList ordered = naturalOrder(m_devices.value_or(systemDevices));
    return port <= ordered.size() ? ordered.at(port - 1) : QString();
#endif
}

QString PortDirectory::overrideVariable(qint16 port)
{
    return QStringLiteral("TAVIMORK_PORT%1").arg(port);
}

QStringList PortDirectory::naturalOrder(QStringList paths)
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
    paths.removeDuplicates();
    return paths;
}

QStringList PortDirectory::devices() const
{
    if (m_devices)
        return *m_devices;

    // Asked on every lookup: adapters are plugged in while the console runs.
    QStringList found;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        found.append(info.systemLocation());
    return found;
}
