#include "consolecommandline.h"

namespace {

const char kDescription[] =
    "Operator console for a small mobile robot on a serial line (57600 baud, 8N1).\n"
    "Pick a port number, click Connect, then steer with the mouse over the\n"
    "direction fields or with W/A/S/D (keypad 8/2/4/6). While a direction is\n"
    "active its command byte goes out every 16 ms; what the robot sends back\n"
    "shows in the log.\n"
    "\n"
    "Port N is the N-th serial device in natural order of device paths\n"
    "(/dev/ttyACM0, /dev/ttyACM1, ..., /dev/ttyUSB0, ...). The environment\n"
    "variable TAVIMORK_PORT<N> names the device for port N instead.";

} // namespace

ConsoleCommandLine::ConsoleCommandLine()
    : m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."))
    , m_version({QStringLiteral("v"), QStringLiteral("version")},
                QStringLiteral("Show the version."))
    , m_platform(QStringLiteral("platform"), QString(), QStringLiteral("name"))
{
    m_platform.setFlags(QCommandLineOption::HiddenFromHelp);
    m_parser.setApplicationDescription(QString::fromLatin1(kDescription));
    // Qt spells its options with one dash (-platform offscreen).
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOptions({m_help, m_version, m_platform});
}

bool ConsoleCommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return false;
    }
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("unexpected argument: %1")
                      .arg(m_parser.positionalArguments().constFirst());
        return false;
    }
    return true;
}

bool ConsoleCommandLine::helpRequested() const
{
    return m_parser.isSet(m_help);
}

bool ConsoleCommandLine::versionRequested() const
{
    return m_parser.isSet(m_version);
}

bool ConsoleCommandLine::platformChosen() const
{
    return m_parser.isSet(m_platform);
}
