#include "crashstop.h"
#include "displayenvironment.h"
#include "drivecommands.h"
#include "drivesession.h"
#include "drivesessionexitguard.h"
#include "gamepadsource.h"
#include "logrecording.h"
#include "messageboxpresenter.h"
#include "periodictimer.h"
#include "processend.h"
#include "programcommandline.h"
#include "qtseriallink.h"
#include "receivedlog.h"
#include "systemkeyboard.h"
#include "tavimork_pc_controlled_bot.h"
#include "terminationsignals.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

constexpr int ExitNoDisplay = 1;

const char Description[] =
    "Operator console for a small mobile robot on a serial line (57600 baud, 8N1).\n"
    "Pick a port number, click Connect, then steer with the mouse over the\n"
    "direction fields, with W/A/S/D (keypad 8/2/4/6), or with a gamepad: hold\n"
    "LB or RB and steer with the left stick or the D-pad; letting go stops.\n"
    "While a direction is active its command byte goes out every 16 ms; what\n"
    "the robot sends back shows in the log.\n"
    "\n"
    "Port N is the N-th serial device: USB serial adapters first, then the\n"
    "others (such as a built-in /dev/ttyS0), each group in natural order of\n"
    "device paths (/dev/ttyACM0, /dev/ttyACM1, ..., /dev/ttyUSB0, ..., then\n"
    "/dev/ttyS0, ...). A line the system's own console runs on (see\n"
    "/sys/class/tty/console/active) is never numbered. On Windows port N is\n"
    "COMN. The environment variable TAVIMORK_PORT<N> names the device for\n"
    "port N instead, whatever it is.\n"
    "\n"
    "The log shows what the robot sends as it is received. Its context menu,\n"
    "or the options below, add the time of each line, the console's own events\n"
    "(marked with a leading dash), a hex view, and recording to a file.";

class ConsoleCommandLine : public ProgramCommandLine
{
public:
    ConsoleCommandLine()
        : ProgramCommandLine("tavimork", Description)
        , m_platform(QStringLiteral("platform"), QString(), QStringLiteral("name"))
        , m_noGamepad(QStringLiteral("no-gamepad"),
                      QStringLiteral("Leave gamepads out: SDL is not started."))
        , m_gamepadEnable(
              QStringLiteral("gamepad-enable"),
              QStringLiteral("The gamepad button to hold while driving, by SDL's name: %1. "
                             "Default: either shoulder button (leftshoulder, rightshoulder).")
                  .arg(GamepadSource::enableButtonNames().join(QStringLiteral(", "))),
              QStringLiteral("button"))
        , m_time(QStringLiteral("time"),
                 QStringLiteral("Start each line of the log with the local time its first byte "
                                "arrived (hh:mm:ss.zzz)."))
        , m_events(QStringLiteral("events"),
                   QStringLiteral("Show the console's own events in the log: the port opened, "
                                  "closed, lost or refused, each stop and direction, the drive "
                                  "held and resumed."))
        , m_hex(QStringLiteral("hex"),
                QStringLiteral("Show the log as hex rows of 16 bytes (offset, bytes, printable)."))
        , m_record(QStringLiteral("record"),
                   QStringLiteral("Record every received byte, exactly as received, to path "
                                  "(replacing it); with --time or --events the log's text goes "
                                  "to path.txt too."),
                   QStringLiteral("path"))
    {
        m_platform.setFlags(QCommandLineOption::HiddenFromHelp);
        // Qt spells its options with one dash (-platform offscreen).
        m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        m_parser.addOptions(
            {m_platform, m_noGamepad, m_gamepadEnable, m_time, m_events, m_hex, m_record});
    }

    // Qt's own -platform, passed on to the application object; empty when not given.
    QString platform() const { return m_parser.value(m_platform); }
    bool gamepad() const { return !m_parser.isSet(m_noGamepad); }
    const GamepadSource::EnableButtons &enableButtons() const { return m_enableButtons; }

    void applyLogOptions(Tavimork_PC_Controlled_Bot &window) const
    {
        window.receivedLog().setShowTime(m_parser.isSet(m_time));
        window.receivedLog().setShowEvents(m_parser.isSet(m_events));
        window.receivedLog().setShowHex(m_parser.isSet(m_hex));
        if (m_parser.isSet(m_record))
            window.logRecording().start(m_parser.value(m_record));
    }

private:
    bool readOptions() override
    {
        if (m_parser.isSet(m_record) && m_parser.value(m_record).isEmpty()) {
            m_error = QStringLiteral("--record needs the path of a file to record to.");
            return false;
        }
        if (!m_parser.isSet(m_gamepadEnable))
            return true;
        const auto named =
            GamepadSource::enableButtonNamed(m_parser.value(m_gamepadEnable), &m_error);
        if (named)
            m_enableButtons = *named;
        return named.has_value();
    }

    QCommandLineOption m_platform;
    QCommandLineOption m_noGamepad;
    QCommandLineOption m_gamepadEnable;
    QCommandLineOption m_time;
    QCommandLineOption m_events;
    QCommandLineOption m_hex;
    QCommandLineOption m_record;
    GamepadSource::EnableButtons m_enableButtons = GamepadSource::defaultEnableButtons();
};

int runConsole(int argc, char *argv[])
{
    // Before any thread starts (the drive thread, Qt's X event reader, D-Bus),
    // so that all of them inherit what it sets up.
    TerminationSignals::prepareProcess();
    CrashStop::installHandlers();

    ConsoleCommandLine commandLine;
    if (!commandLine.parse(argc, argv))
        return ConsoleCommandLine::ExitUsage;
    if (commandLine.helpRequested() || commandLine.versionRequested()) {
        // The usage line names the program from the application's arguments.
        const QCoreApplication app(argc, argv);
        commandLine.printHelpOrVersion(TAVIMORK_VERSION);
        return 0;
    }
    DisplayEnvironment display(commandLine.platform());
    if (const QString problem = display.problem(); !problem.isEmpty()) {
        std::fprintf(stderr,
                     "tavimork: needs a graphical display, but %s.\nStart it from a desktop "
                     "session.\n",
                     qPrintable(problem));
        return ExitNoDisplay;
    }

    QApplication app(argc, argv);
    // Qt holds its own connection now.
    display.release();
    QApplication::setApplicationName(QStringLiteral("tavimork"));
    QApplication::setApplicationVersion(QStringLiteral(TAVIMORK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavimork"));

    if (QGuiApplication::platformName() == QLatin1String("xcb") &&
        !SystemKeyboard::enableDetectableAutoRepeat())
        qWarning("The X server refused detectable auto-repeat: holding a steering key may send "
                 "stray stops.");

    auto link = std::make_unique<QtSerialLink>();
    // The window names devices by the link's own numbering.
    const PortDirectory &directory = link->directory();
    // Declared before the window, so it outlives it: the window's last word
    // to the session is the stop on close.
    const DriveSessionThread drive(new DriveSession(
        std::move(link), std::make_unique<PeriodicTimer>(RobotLine::RepeatPeriod)));
    const DriveSessionExitGuard exitGuard(*drive.session());
    Tavimork_PC_Controlled_Bot window(
        *drive.session(), std::make_unique<DialogMessageBoxPresenter>(), directory,
        commandLine.gamepad() ? std::make_unique<GamepadSource>(commandLine.enableButtons())
                              : nullptr);

    // Logout, Ctrl+C and service managers end the console as closing the
    // window does; the close waits until the stop is out and the port free,
    // which matters on Windows, where the process ends right after. exit() as
    // well, for a message box's loop that may be running.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &window, [&window] {
        window.close();
        QCoreApplication::exit(0);
    });

    commandLine.applyLogOptions(window);
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Everything of the console's own is gone when runConsole() returns.
    return ProcessEnd::leave(runConsole(argc, argv));
}
