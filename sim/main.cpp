#include "clock.h"
#include "devicesymlink.h"
#include "displayenvironment.h"
#include "ptyendpoint.h"
#include "simcommandline.h"
#include "simulator.h"
#include "simwindow.h"
#include "terminationsignals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr int ExitFailure = 1;

std::unique_ptr<QCoreApplication> makeApplication(bool withWindow, int &argc, char **argv)
{
    if (withWindow)
        return std::make_unique<QApplication>(argc, argv);
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char **argv)
{
    TerminationSignals::prepareProcess();
    SimCommandLine commandLine;
    if (!commandLine.parse(argc, argv))
        return SimCommandLine::ExitUsage;
    std::optional<DisplayEnvironment> display;
    if (commandLine.needsWindow()) {
        display.emplace();
        if (const QString problem = display->problem(); !problem.isEmpty()) {
            std::fprintf(stderr,
                         "tavimork-sim: the window needs a graphical display, but %s.\nRun with "
                         "--headless for no window.\n",
                         qPrintable(problem));
            return ExitFailure;
        }
    }
    const auto app = makeApplication(commandLine.needsWindow(), argc, argv);
    // Qt holds its own connection now.
    display.reset();
    QCoreApplication::setApplicationName(QStringLiteral("tavimork-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVIMORK_VERSION));

    if (commandLine.helpRequested() || commandLine.versionRequested()) {
        commandLine.printHelpOrVersion(TAVIMORK_VERSION);
        return 0;
    }
    const SimOptions &options = commandLine.options();

    SteadyClock clock;
    Simulator simulator(options, &clock);
    if (!simulator.start()) {
        std::fprintf(stderr, "tavimork-sim: %s\n", qPrintable(simulator.errorString()));
        return ExitFailure;
    }
    const QString device = simulator.endpoint()->devicePath();
    DeviceSymlink link;
    if (!options.linkPath.isEmpty() && !link.create(options.linkPath, device)) {
        std::fprintf(stderr, "tavimork-sim: %s\n", qPrintable(link.errorString()));
        return ExitFailure;
    }
    // Whoever started us reads this line to learn which device to open.
    std::printf("%s\n", qPrintable(device));
    std::fflush(stdout);

    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, app.get(),
                     [] { QCoreApplication::exit(0); });
    QObject::connect(&simulator, &Simulator::failed, app.get(), [](const QString &reason) {
        std::fprintf(stderr, "tavimork-sim: %s\n", qPrintable(reason));
        QCoreApplication::exit(ExitFailure);
    });

    std::unique_ptr<SimWindow> window;
    if (!options.headless) {
        window = std::make_unique<SimWindow>(&simulator, options);
        window->show();
        if (!options.screenshotPath.isEmpty()) {
            QTimer::singleShot(options.screenshotDelay, window.get(), [&window, &options] {
                const bool saved = window->grab().save(options.screenshotPath);
                if (!saved)
                    std::fprintf(stderr, "tavimork-sim: cannot save %s\n",
                                 qPrintable(options.screenshotPath));
                QCoreApplication::exit(saved ? 0 : ExitFailure);
            });
        }
    }
    return app->exec();
}
