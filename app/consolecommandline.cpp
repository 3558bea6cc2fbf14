#include "consolecommandline.h"

namespace {

const char Description[] =
    "Operator console for a small mobile robot on a serial line (57600 baud, 8N1).\n"
    "Pick a port number, click Connect, then steer with the mouse over the\n"
    "direction fields or with W/A/S/D (keypad 8/2/4/6). While a direction is\n"
    "active its command byte goes out every 16 ms; what the robot sends back\n"
    "shows in the log.\n"
    "\n"
    "Port N is the N-th serial device: USB serial adapters first, then the\n"
    "others (such as a built-in /dev/ttyS0), each group in natural order of\n"
    "device paths (/dev/ttyACM0, /dev/ttyACM1, ..., /dev/ttyUSB0, ..., then\n"
    "/dev/ttyS0, ...). On Windows port N is COMN. The environment variable\n"
    "TAVIMORK_PORT<N> names the device for port N instead.";

} // namespace

ConsoleCommandLine::ConsoleCommandLine()
    : ProgramCommandLine("tavimork", Description)
    , m_platform(QStringLiteral("platform"), QString(), QStringLiteral("name"))
{
    m_platform.setFlags(QCommandLineOption::HiddenFromHelp);
    // Qt spells its options with one dash (-platform offscreen).
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_platform);
}

QString ConsoleCommandLine::platform() const
{
    return m_parser.value(m_platform);
}
