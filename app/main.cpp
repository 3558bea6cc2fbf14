#include "consolecommandline.h"
#include "detectableautorepeat.h"
#include "dialogmessageboxpresenter.h"
#include "displayenvironment.h"
#include "drivecommands.h"
#include "drivesession.h"
#include "drivesessionexitguard.h"
#include "periodictimer.h"
#include "portdirectory.h"
#include "processend.h"
#include "qtseriallink.h"
#include "tavimork_pc_controlled_bot.h"
#include "terminationsignals.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

constexpr int ExitNoDisplay = 1;

int runConsole(int argc, char *argv[])
{
    // Before any thread starts (the drive thread, Qt's X event reader, D-Bus),
    // so that all of them inherit what it sets up.
    TerminationSignals::prepareProcess();

    ConsoleCommandLine commandLine;
    if (!commandLine.parse(argc, argv))
        return ConsoleCommandLine::ExitUsage;
    if (commandLine.helpRequested() || commandLine.versionRequested()) {
        // The usage line names the program from the application's arguments.
        const QCoreApplication app(argc, argv);
        commandLine.printHelpOrVersion(TAVIMORK_VERSION);
        return 0;
    }
    if (const QString problem = displayProblem(commandLine.platform()); !problem.isEmpty()) {
        std::fprintf(stderr,
                     "tavimork: needs a graphical display, but %s.\nStart it from a desktop "
                     "session.\n",
                     qPrintable(problem));
        return ExitNoDisplay;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavimork"));
    QApplication::setApplicationVersion(QStringLiteral(TAVIMORK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavimork"));

    if (QGuiApplication::platformName() == QLatin1String("xcb") && !DetectableAutoRepeat::enable())
        qWarning("The X server refused detectable auto-repeat: holding a steering key may send "
                 "stray stops.");

    const PortDirectory directory;
    // Declared before the window, so it outlives it: the window's last word
    // to the session is the stop on close.
    const DriveSessionThread drive(
        new DriveSession(std::make_unique<QtSerialLink>(directory),
                         std::make_unique<PeriodicTimer>(DriveCommand::RepeatPeriod)));
    const DriveSessionExitGuard exitGuard(*drive.session());
    Tavimork_PC_Controlled_Bot window(*drive.session(),
                                      std::make_unique<DialogMessageBoxPresenter>(), directory);

    // Logout, Ctrl+C and service managers end the console as closing the
    // window does; the close waits until the stop is out and the port free,
    // which matters on Windows, where the process ends right after. exit() as
    // well, for a message box's loop that may be running.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &window, [&window] {
        window.close();
        QCoreApplication::exit(0);
    });

    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Everything of the console's own is gone when runConsole() returns.
    return ProcessEnd::leave(runConsole(argc, argv));
}
