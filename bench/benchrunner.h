#pragma once

#include "benchresults.h"
#include "consoleprogram.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <memory>

class ConsoleProcess;
class ProcessUsage;
class RobotLine;
class XServer;
class XTestPointer;
class XTools;

// Runs every measurement against one console executable on a private X
// server, each on a freshly started console whose port 1 is a new pty.
// drivingOnly: just the driving run with the far end silent.
class BenchRunner
{
public:
    BenchRunner(ConsoleProgram console, int seconds, bool drivingOnly);
    ~BenchRunner();
    BenchRunner(const BenchRunner &) = delete;
    BenchRunner &operator=(const BenchRunner &) = delete;

    bool run(BenchResults *results);
    QString errorString() const { return m_error; }

private:
    struct RowPlan
    {
        const char *name;
        QByteArray pattern;
        qint64 bytesPerSecond;
    };

    bool prepare();
    bool startConsole();
    void stopConsole();

    bool runRow(const RowPlan &plan, RowResult *row);
    bool measureStartup(BenchResults *results);
    bool measureIdleAndMemory(BenchResults *results);
    bool measureLogCost(BenchResults *results);
    // CPU ms per 1000 bytes for limit bytes of text at a steady pace.
    bool logCost(const ProcessUsage &usage, double *msPerKb);

    // Moves the pointer to `to` and adds how long the command byte then took
    // to arrive (the first at or after mark) to latencies, or counts a miss.
    bool timeMove(QPoint to, char command, qsizetype mark, Distribution *latencies, int *missed);
    // When the first command byte at or after mark arrived; -1 if none in time.
    qint64 arrivalOf(char command, qsizetype mark) const;
    bool waitForQuiet(const ProcessUsage &usage) const;
    void sleepUntil(qint64 lineTime) const;
    bool fail(const QString &why);

    const ConsoleProgram m_console;
    const int m_seconds;
    const bool m_drivingOnly;
    // In the order they start, so the console goes first and lets go of its
    // line and its X server before they go.
    std::unique_ptr<XServer> m_server;
    std::unique_ptr<XTools> m_x;
    std::unique_ptr<XTestPointer> m_pointer;
    std::unique_ptr<RobotLine> m_line;
    std::unique_ptr<ConsoleProcess> m_process;
    QString m_error;
};
