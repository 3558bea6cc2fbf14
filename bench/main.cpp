#include "benchreport.h"
#include "benchresults.h"
#include "benchrunner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

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
    parser.addOptions({seconds, json, console});
    parser.process(app);

    QTextStream err(stderr);
    bool ok = false;
    const int runSeconds = parser.value(seconds).toInt(&ok);
    if (!ok || runSeconds < 1) {
        err << "--seconds wants a whole number of seconds, 1 or more\n";
        return 2;
    }

    BenchResults results;
    BenchRunner runner(parser.value(console), runSeconds);
    if (!runner.run(&results)) {
        err << "tavimork-bench: " << runner.errorString() << '\n';
        return 1;
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
