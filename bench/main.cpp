#include "benchreport.h"
#include "benchresults.h"
#include "benchrunner.h"
#include "consoleprogram.h"
#include "gamepadbench.h"
#include "robotline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

namespace {
class RobotLineStamps : public StampedLine
{
public:
    bool isValid() const { return m_line.isValid(); }
    QString errorString() const { return m_line.errorString(); }
    QString devicePath() const override { return m_line.devicePath(); }
    qint64 now() const override { return m_line.now(); }
    qsizetype receivedCount() const override { return m_line.receivedCount(); }
    QByteArray receivedSince(qsizetype mark) const override { return m_line.receivedSince(mark); }
    qint64 arrivalOf(char command, qsizetype mark) const override
    {
        const qsizetype at = m_line.receivedSince(mark).indexOf(command);
        return at < 0 ? -1 : m_line.arrivalsSince(mark + at).value(0, -1);
    }

private:
    RobotLine m_line;
};

constexpr int GamepadCycles = 50;
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavimork-bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Measures a Tavimork console from outside: on a private Xvfb, with a "
                       "pseudo-terminal as the robot and the pointer moved through XTest."));
    parser.addHelpOption();
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Length of each driving run (default 4)."),
                                     QStringLiteral("N"), QStringLiteral("4"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Also write the numbers as JSON to PATH."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption console(
        QStringLiteral("console"),
        QStringLiteral("The console executable to measure (default: the one built here)."),
        QStringLiteral("PATH"), QStringLiteral(TAVIMORK_EXECUTABLE));
    const QCommandLineOption drivingOnly(
        QStringLiteral("driving-only"),
        QStringLiteral("Only the driving run with the far end silent: the cadence and the "
                       "stop and direction latencies."));
    const QCommandLineOption wine(
        QStringLiteral("wine"),
        QStringLiteral("The console is a Windows build (tavimork.exe): run it under Wine in "
                       "WINEPREFIX, through scripts/windows/nodev-serial, port 1 as COM1. "
                       "Implies --driving-only: under Wine 8.0 nothing the far end sends reaches "
                       "the console."));
    const QCommandLineOption gamepadOnly(
        QStringLiteral("gamepad-only"),
        QStringLiteral("Only the gamepad row: this tree's pad source and drive session in this "
                       "process, with an SDL virtual pad and a pty."));
    parser.addOptions({seconds, json, console, drivingOnly, wine, gamepadOnly});
    parser.process(app);

    QTextStream err(stderr);
    bool ok = false;
    const int runSeconds = parser.value(seconds).toInt(&ok);
    if (!ok || runSeconds < 1) {
        err << "--seconds wants a whole number of seconds, 1 or more\n";
        return 2;
    }

    BenchResults results;
    const bool underWine = parser.isSet(wine);
    const ConsoleProgram program =
        underWine ? ConsoleProgram::underWine(parser.value(console),
                                              QStringLiteral(TAVIMORK_NODEV_SERIAL))
                  : ConsoleProgram::native(parser.value(console));
    if (!parser.isSet(gamepadOnly)) {
        BenchRunner runner(program, runSeconds, underWine || parser.isSet(drivingOnly));
        if (!runner.run(&results)) {
            err << "tavimork-bench: " << runner.errorString() << '\n';
            return 1;
        }
    }
    // The pad source runs here, natively; under Wine it is the test's to show.
    if (!underWine && !parser.isSet(drivingOnly)) {
        const RobotLineStamps line;
        QString error;
        if (!line.isValid() || !runGamepadBench(line, GamepadCycles, &results.gamepad, &error)) {
            err << "tavimork-bench: gamepad: " << (line.isValid() ? error : line.errorString())
                << '\n';
            return 1;
        }
        results.gamepadMeasured = true;
    }

    const BenchReport report(results);
    QTextStream(stdout) << report.table() << '\n';
    if (parser.isSet(json)) {
        QFile file(parser.value(json));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(QJsonDocument(report.json()).toJson()) < 0) {
            err << "cannot write " << file.fileName() << ": " << file.errorString() << '\n';
            return 1;
        }
    }
    return 0;
}
