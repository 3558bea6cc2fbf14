#include "consoleprogram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

namespace {
constexpr int HighestPort = 16;

// Under a file, so it can never exist: a port number a test picks by mistake
// fails to open instead of reaching a serial device of this machine.
QString nowhere(int port)
{
    return QStringLiteral("/dev/null/tavimork-e2e-port%1").arg(port);
}
} // namespace

ConsoleProgram::ConsoleProgram(QString executable, bool underWine, QString nodevSerial)
    : m_executable(std::move(executable))
    , m_underWine(underWine)
    , m_nodevSerial(std::move(nodevSerial))
    , m_winePrefix(underWine ? qEnvironmentVariable("WINEPREFIX") : QString())
    , m_systemEnds(underWine ? qEnvironmentVariable(SystemEndsVariable) : QString())
{}

ConsoleProgram ConsoleProgram::native(const QString &executable)
{
    return ConsoleProgram(executable, false, QString());
}

ConsoleProgram ConsoleProgram::underWine(const QString &executable, const QString &nodevSerial)
{
    return ConsoleProgram(executable, true, nodevSerial);
}

ConsoleProgram ConsoleProgram::fromEnvironment(const QString &nativeExecutable,
                                               const QString &nodevSerial)
{
    const QString windows = qEnvironmentVariable(WineConsoleVariable);
    return windows.isEmpty() ? native(nativeExecutable) : underWine(windows, nodevSerial);
}

QString ConsoleProgram::missing() const
{
    if (!m_underWine) {
        return QFileInfo(m_executable).isExecutable()
                   ? QString()
                   : QStringLiteral("not an executable: %1").arg(m_executable);
    }
    if (!QFileInfo(m_executable).isFile())
        return QStringLiteral("no Windows console at %1").arg(m_executable);
    if (!QFileInfo(m_nodevSerial).isExecutable())
        return QStringLiteral("no %1 to keep Wine away from serial devices").arg(m_nodevSerial);
    if (QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty())
        return QStringLiteral("missing: wine (Debian packages wine, wine64)");
    // Wine would make a prefix of its own in ~/.wine, outside nodev-serial,
    // and link COM1 to /dev/ttyS0 there.
    if (m_winePrefix.isEmpty() || !QFileInfo::exists(m_winePrefix + QStringLiteral("/system.reg")))
        return QStringLiteral("WINEPREFIX names no initialized Wine prefix (\"%1\")")
            .arg(m_winePrefix);
    const QStringList links = comLinks();
    if (!links.isEmpty())
        return QStringLiteral("the Wine prefix holds COM links no test made: %1; remove them")
            .arg(links.join(QStringLiteral(", ")));
    return {};
}

ConsoleProgram ConsoleProgram::inWindowsConsole() const
{
    ConsoleProgram program = *this;
    program.m_inWindowsConsole = true;
    return program;
}

QString ConsoleProgram::systemEndsMissing() const
{
    if (!m_underWine)
        return QStringLiteral("systemends is a Windows program");
    return QFileInfo(m_systemEnds).isFile()
               ? QString()
               : QStringLiteral("%1 names no systemends.exe (\"%2\")")
                     .arg(QLatin1String(SystemEndsVariable), m_systemEnds);
}

QString ConsoleProgram::program() const
{
    return m_underWine ? m_nodevSerial : m_executable;
}

QStringList ConsoleProgram::arguments() const
{
    if (!m_underWine)
        return {};
    if (m_inWindowsConsole)
        return {QStringLiteral("wine"), m_systemEnds, QStringLiteral("run"), m_executable};
    return {QStringLiteral("wine"), m_executable};
}

QStringList ConsoleProgram::systemEndsArguments(const QStringList &request) const
{
    return QStringList{QStringLiteral("wine"), m_systemEnds} + request;
}

QProcessEnvironment ConsoleProgram::environment(QProcessEnvironment base,
                                                const QString &port1Device) const
{
    for (int port = 1; port <= HighestPort; ++port) {
        const QString name = QStringLiteral("TAVIMORK_PORT%1").arg(port);
        if (!m_underWine) {
            base.insert(name, port == 1 ? port1Device : nowhere(port));
            continue;
        }
        // Wine hands the environment on to the program as it is: none may
        // take port numbering away from COMN.
        base.remove(name);
    }
    if (!m_underWine)
        return base;
    base.insert(QStringLiteral("WINEPREFIX"), m_winePrefix);
    // Wine's own channels only when asked for, to find out what Wine did.
    if (!base.contains(QStringLiteral("WINEDEBUG")))
        base.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // A prefix made without them would ask to install them at every start.
    base.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    // A Windows GUI program logs to the debugger, where nobody reads it.
    base.insert(QStringLiteral("WINEQT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    // Wine keeps QT_* to itself but hands WINEQT_* on as QT_*: the platform
    // is the Windows build's own.
    base.remove(QStringLiteral("WINEQT_QPA_PLATFORM"));
    return base;
}

QString ConsoleProgram::comLinkPath(int port) const
{
    return QStringLiteral("%1/dosdevices/com%2").arg(m_winePrefix).arg(port);
}

QStringList ConsoleProgram::comLinks() const
{
    QStringList links;
    const QDir devices(m_winePrefix + QStringLiteral("/dosdevices"));
    const QFileInfoList entries = devices.entryInfoList(
        {QStringLiteral("com*")}, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries)
        links << QStringLiteral("%1 -> %2").arg(entry.fileName(), entry.symLinkTarget());
    return links;
}

ComPortLink::ComPortLink(const ConsoleProgram &program, int port, const QString &device)
    : m_path(program.comLinkPath(port))
{
    const QFileInfo existing(m_path);
    if (existing.isSymLink()) {
        if (existing.symLinkTarget() != QFileInfo(device).absoluteFilePath())
            m_error = QStringLiteral("%1 already leads to %2, not to %3")
                          .arg(m_path, existing.symLinkTarget(), device);
        return;
    }
    if (!QFile::link(device, m_path)) {
        m_error = QStringLiteral("cannot link %1 to %2").arg(m_path, device);
        return;
    }
    m_made = true;
}

ComPortLink::~ComPortLink()
{
    if (m_made)
        QFile::remove(m_path);
}
