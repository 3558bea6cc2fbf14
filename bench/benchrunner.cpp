#include "benchrunner.h"

#include "benchconstants.h"
#include "consolepoints.h"
#include "consoleprocess.h"
#include "loadwriter.h"
#include "mapwatch.h"
#include "processusage.h"
#include "robotline.h"
#include "xserver.h"
#include "xtestpointer.h"
#include "xtools.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <chrono>
#include <cmath>
#include <utility>

#include <termios.h>

namespace {

using namespace ConsolePoints;

constexpr int WaitMs = 10000;
constexpr qint64 NsPerMs = 1'000'000;

qint64 ns(std::chrono::nanoseconds duration)
{
    return duration.count();
}

double ms(qint64 nanoseconds)
{
    return double(nanoseconds) / double(NsPerMs);
}

template <typename Predicate> bool waitFor(Predicate done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

// Intervals between consecutive "8"s with nothing else between them: a stop
// ends a driving stretch, and the gap across it is no period.
void addCadence(const QByteArray &bytes, const QList<qint64> &arrivals, qint64 from, RowResult *row)
{
    const double period = ms(ns(Bench::RepeatPeriod));
    for (qsizetype i = 1; i < bytes.size(); ++i) {
        if (bytes.at(i) != '8' || bytes.at(i - 1) != '8' || arrivals.at(i - 1) < from)
            continue;
        const double interval = ms(arrivals.at(i) - arrivals.at(i - 1));
        row->periods.add(interval);
        row->deviations.add(std::abs(interval - period));
    }
}

} // namespace

BenchRunner::BenchRunner(ConsoleProgram console, int seconds, bool drivingOnly)
    : m_console(std::move(console))
    , m_seconds(seconds)
    , m_drivingOnly(drivingOnly)
{}

BenchRunner::~BenchRunner() = default;

bool BenchRunner::fail(const QString &why)
{
    m_error = why;
    return false;
}

bool BenchRunner::run(BenchResults *results)
{
    if (!prepare())
        return false;
    results->console = m_console.executable();
    results->underWine = m_console.isUnderWine();
    results->seconds = m_seconds;
    results->drivingOnly = m_drivingOnly;

    const QByteArray text = LoadWriter::poseLines(64 * 1024);
    const QByteArray random = LoadWriter::randomBytes(1024 * 1024);
    const qint64 lineRate = Bench::LineRateBytesPerSecond;
    const RowPlan plans[] = {
        {"far end silent", {}, 0},
        {"text, line rate", text, lineRate},
        {"text, 10x", text, 10 * lineRate},
        {"text, 100x", text, 100 * lineRate},
        {"random, 10x", random, 10 * lineRate},
        {"random, 100x", random, 100 * lineRate},
    };
    for (const RowPlan &plan : plans) {
        qInfo("driving, far end: %s", plan.name);
        RowResult row;
        if (!runRow(plan, &row))
            return false;
        results->rows.append(row);
        if (m_drivingOnly) {
            stopConsole();
            return true;
        }
    }
    qInfo("start-up");
    if (!measureStartup(results))
        return false;
    qInfo("idle, then 100 MB of text");
    if (!measureIdleAndMemory(results))
        return false;
    qInfo("log cost");
    if (!measureLogCost(results))
        return false;
    stopConsole();
    return true;
}

bool BenchRunner::prepare()
{
    const QString missing = XTools::missingTools();
    if (!missing.isEmpty())
        return fail(missing);
    const QString notRunnable = m_console.missing();
    if (!notRunnable.isEmpty())
        return fail(notRunnable);
    m_server = std::make_unique<XServer>();
    if (!m_server->start())
        return fail(m_server->errorString());
    m_x = std::make_unique<XTools>(m_server->clientEnvironment());
    m_pointer = std::make_unique<XTestPointer>(m_server->display());
    if (!m_pointer->isValid())
        return fail(m_pointer->errorString());
    return true;
}

bool BenchRunner::startConsole()
{
    stopConsole();
    m_line = std::make_unique<RobotLine>();
    if (!m_line->isValid())
        return fail(m_line->errorString());
    // A console that starts under the pointer would take it for a move.
    if (!m_pointer->moveToScreen(ParkedPointer))
        return fail(QStringLiteral("cannot park the pointer"));
    m_process = std::make_unique<ConsoleProcess>(*m_x, m_console);
    if (!m_process->start(m_line->devicePath()))
        return fail(m_process->errorString());
    if (!m_pointer->followWindow(m_process->window()))
        return fail(QStringLiteral("cannot find window %1 on the screen").arg(m_process->window()));
    if (!m_process->click(ConnectButton.center()))
        return fail(m_process->errorString());
    const bool connected = waitFor(
        [this] {
            const termios settings = m_line->lineSettings();
            return m_line->isHeldOpen() && ::cfgetospeed(&settings) == B57600;
        },
        WaitMs);
    if (!connected)
        return fail(QStringLiteral("the console did not open the port at 57600 baud"));
    QThread::msleep(Bench::Settle.count());
    return true;
}

void BenchRunner::stopConsole()
{
    m_process.reset();
    m_line.reset();
}

bool BenchRunner::runRow(const RowPlan &plan, RowResult *row)
{
    row->name = QString::fromLatin1(plan.name);
    row->offeredBytesPerSecond = plan.bytesPerSecond;
    if (!startConsole())
        return false;
    const ProcessUsage usage(m_process->pid());

    const qsizetype first = m_line->receivedCount();
    if (!m_pointer->moveTo(ForwardLabel))
        return fail(QStringLiteral("cannot move the pointer"));
    const qint64 start = m_line->now();
    const double cpuBefore = usage.cpuSeconds();
    LoadWriter writer(*m_line, plan.pattern, plan.bytesPerSecond);
    writer.start();

    const qint64 end = start + m_seconds * 1000 * NsPerMs;
    qint64 next = start + ns(Bench::WarmUp + Bench::StopEvery);
    while (next < end) {
        sleepUntil(next);

        const qsizetype mark = m_line->receivedCount();
        if (!timeMove(StopAbove.center(), '5', mark, &row->stopLatencies, &row->stopsMissed))
            return false;
        sleepUntil(m_line->now() + ns(Bench::StopDwell));

        const qsizetype back = m_line->receivedCount();
        const QByteArray whileStopped = m_line->receivedSince(mark).left(back - mark);
        const qsizetype stopAt = whileStopped.indexOf('5');
        if (stopAt >= 0)
            row->bytesAfterStop += int(whileStopped.size() - stopAt - whileStopped.count('5'));

        if (!timeMove(ForwardLabel, '8', back, &row->directionLatencies, &row->directionsMissed))
            return false;

        // A console that lags still gets a driving stretch before the next stop.
        next = qMax(next + ns(Bench::StopEvery), m_line->now() + ns(Bench::StopEvery) / 2);
    }
    sleepUntil(end);
    const double cpuAfter = usage.cpuSeconds();
    const qint64 finish = m_line->now();
    const qint64 taken = writer.bytesTaken();
    writer.stop();
    m_pointer->moveTo(StopAbove.center());

    const double elapsedSeconds = double(finish - start) / 1e9;
    row->cpuPercent = 100.0 * (cpuAfter - cpuBefore) / elapsedSeconds;
    row->takenBytesPerSecond = double(taken) / elapsedSeconds;
    const QByteArray bytes = m_line->receivedSince(first);
    const QList<qint64> arrivals = m_line->arrivalsSince(first);
    addCadence(bytes, arrivals.mid(0, bytes.size()), start + ns(Bench::WarmUp), row);
    stopConsole();
    return true;
}

bool BenchRunner::measureStartup(BenchResults *results)
{
    stopConsole();
    for (int run = 0; run < Bench::StartupRuns; ++run) {
        // Port 1 names a real device, as it would on the desk.
        const RobotLine line;
        if (!m_pointer->moveToScreen(ParkedPointer))
            return fail(QStringLiteral("cannot park the pointer"));
        MapWatch watch(m_server->display());
        if (!watch.isValid())
            return fail(watch.errorString());

        QProcess console;
        QProcessEnvironment environment = m_server->clientEnvironment();
        environment.insert(QStringLiteral("TAVIMORK_PORT1"), line.devicePath());
        console.setProcessEnvironment(environment);
        console.setProcessChannelMode(QProcess::ForwardedChannels);
        QElapsedTimer clock;
        clock.start();
        console.start(m_console.executable(), {});
        if (!console.waitForStarted(WaitMs))
            return fail(QStringLiteral("cannot start %1: %2")
                            .arg(m_console.executable(), console.errorString()));
        const bool shown = watch.waitForWindowOf(console.processId(), 3 * WaitMs);
        const qint64 elapsed = clock.nsecsElapsed();
        console.terminate();
        if (!console.waitForFinished(WaitMs)) {
            console.kill();
            console.waitForFinished(WaitMs);
        }
        if (!shown)
            return fail(QStringLiteral("the console showed no window"));
        results->startup.add(ms(elapsed));
    }
    return true;
}

bool BenchRunner::measureIdleAndMemory(BenchResults *results)
{
    if (!startConsole())
        return false;
    const ProcessUsage usage(m_process->pid());
    results->residentStartKb = usage.residentKb();

    // Port open, nothing repeating, nothing received.
    const double cpuBefore = usage.cpuSeconds();
    const qint64 idleStart = m_line->now();
    QThread::msleep(std::chrono::milliseconds(Bench::IdleRun).count());
    const double cpuAfter = usage.cpuSeconds();
    results->idleSeconds = double(m_line->now() - idleStart) / 1e9;
    results->idleCpuPercent = 100.0 * (cpuAfter - cpuBefore) / results->idleSeconds;

    // As fast as the console takes it; a console that stops reading ends it.
    const QByteArray text = LoadWriter::poseLines(1'000'000);
    QElapsedTimer clock;
    clock.start();
    qsizetype offset = 0;
    while (results->bulkBytes < Bench::BulkBytes && clock.nsecsElapsed() < ns(Bench::BulkLimit)) {
        const QByteArray chunk = text.mid(offset, Bench::BulkChunkBytes);
        if (!m_line->write(chunk, WaitMs))
            break;
        offset = (offset + chunk.size()) % text.size();
        results->bulkBytes += chunk.size();
    }
    results->bulkSeconds = double(clock.nsecsElapsed()) / 1e9;
    results->bulkComplete = results->bulkBytes >= Bench::BulkBytes;
    if (!waitForQuiet(usage))
        return fail(QStringLiteral("the console stayed busy after the text stopped"));
    results->residentAfterBulkKb = usage.residentKb();
    stopConsole();
    return true;
}

bool BenchRunner::measureLogCost(BenchResults *results)
{
    if (!startConsole())
        return false;
    const ProcessUsage usage(m_process->pid());
    if (!waitForQuiet(usage))
        return fail(QStringLiteral("the console is busy while idle"));
    if (!logCost(usage, &results->logCostEmptyMs))
        return false;

    const QByteArray fill = LoadWriter::poseLines(Bench::LogFillBytes);
    for (qsizetype offset = 0; offset < fill.size(); offset += Bench::BulkChunkBytes) {
        if (!m_line->write(fill.mid(offset, Bench::BulkChunkBytes), WaitMs))
            return fail(QStringLiteral("the console stopped reading while the log filled"));
    }
    if (!waitForQuiet(usage))
        return fail(QStringLiteral("the console stayed busy after filling the log"));
    if (!logCost(usage, &results->logCostFullMs))
        return false;
    stopConsole();
    return true;
}

bool BenchRunner::logCost(const ProcessUsage &usage, double *msPerKb)
{
    const double before = usage.cpuSeconds();
    LoadWriter writer(*m_line, LoadWriter::poseLines(64 * 1024), Bench::LogCostBytesPerSecond,
                      Bench::LogCostBytes);
    writer.start();
    waitFor([&writer] { return writer.isDone(); }, 3 * WaitMs);
    writer.stop();
    if (!waitForQuiet(usage))
        return fail(QStringLiteral("the console stayed busy after the text stopped"));
    const double after = usage.cpuSeconds();
    if (writer.bytesTaken() == 0)
        return fail(QStringLiteral("the console took none of the text"));
    *msPerKb = (after - before) * 1000.0 / (double(writer.bytesTaken()) / 1000.0);
    return true;
}

bool BenchRunner::timeMove(QPoint to, char command, qsizetype mark, Distribution *latencies,
                           int *missed)
{
    if (!m_pointer->moveTo(to))
        return fail(QStringLiteral("cannot move the pointer"));
    const qint64 moved = m_line->now();
    const qint64 arrived = arrivalOf(command, mark);
    if (arrived < 0)
        ++*missed;
    else
        latencies->add(ms(arrived - moved));
    return true;
}

qint64 BenchRunner::arrivalOf(char command, qsizetype mark) const
{
    const QDeadlineTimer deadline(Bench::ReplyTimeout);
    for (;;) {
        const qsizetype at = m_line->receivedSince(mark).indexOf(command);
        if (at >= 0)
            return m_line->arrivalsSince(mark + at).value(0, -1);
        if (deadline.hasExpired())
            return -1;
        // The reader thread stamps the byte; this only notices it.
        QThread::msleep(1);
    }
}

bool BenchRunner::waitForQuiet(const ProcessUsage &usage) const
{
    const QDeadlineTimer deadline(Bench::QuietTimeout);
    double before = usage.cpuSeconds();
    while (!deadline.hasExpired()) {
        QThread::msleep(Bench::QuietWindow.count());
        const double now = usage.cpuSeconds();
        if (now - before < Bench::QuietCpuSeconds)
            return true;
        before = now;
    }
    return false;
}

void BenchRunner::sleepUntil(qint64 lineTime) const
{
    const qint64 remaining = lineTime - m_line->now();
    if (remaining > 0)
        QThread::usleep(quint64(remaining / 1000));
}
