#include "benchreport.h"

#include <QJsonArray>
#include <QStringList>

namespace {

QString number(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

// "p50 / p99 / max", with how many never came.
QString spread(const Distribution &latencies, int missed)
{
    QString text = latencies.isEmpty()
                       ? QStringLiteral("-")
                       : QStringLiteral("%1 / %2 / %3")
                             .arg(number(latencies.percentile(50)),
                                  number(latencies.percentile(99)), number(latencies.max()));
    if (missed > 0)
        text += QStringLiteral(" (%1 missed)").arg(missed);
    return text;
}

QString row(const QStringList &cells)
{
    return QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

QJsonObject latencyJson(const Distribution &latencies, int missed)
{
    return {{QStringLiteral("count"), latencies.count()},
            {QStringLiteral("missed"), missed},
            {QStringLiteral("p50"), latencies.percentile(50)},
            {QStringLiteral("p99"), latencies.percentile(99)},
            {QStringLiteral("max"), latencies.max()}};
}

} // namespace

BenchReport::BenchReport(const BenchResults &results)
    : m_results(results)
{}

QString BenchReport::table() const
{
    // --gamepad-only
    if (m_results.rows.isEmpty())
        return m_results.gamepadMeasured ? gamepad().mid(1) : QString();
    QString text =
        row({QStringLiteral("far end"), QStringLiteral("load kB/s"), QStringLiteral("taken kB/s"),
             QStringLiteral("\"8\" period ms"), QStringLiteral("\\|dev\\| p50 ms"),
             QStringLiteral("\\|dev\\| p99 ms"), QStringLiteral("max gap ms"),
             QStringLiteral("CPU %"), QStringLiteral("stop ms p50 / p99 / max"),
             QStringLiteral("direction ms p50 / p99 / max")});
    text += QStringLiteral("|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n");
    for (const RowResult &r : m_results.rows) {
        text += row({r.name, number(double(r.offeredBytesPerSecond) / 1000.0),
                     number(r.takenBytesPerSecond / 1000.0), number(r.periods.mean(), 2),
                     number(r.deviations.percentile(50), 2), number(r.deviations.percentile(99), 2),
                     number(r.periods.max()), number(r.cpuPercent),
                     spread(r.stopLatencies, r.stopsMissed),
                     spread(r.directionLatencies, r.directionsMissed)});
    }

    if (m_results.underWine)
        text += QStringLiteral("\n%1 under Wine.\n").arg(m_results.console);
    if (!m_results.drivingOnly)
        text += measures();
    if (m_results.gamepadMeasured)
        text += gamepad();
    for (const RowResult &r : m_results.rows) {
        if (r.bytesAfterStop > 0)
            text += QStringLiteral("\n%1: %2 bytes other than \"5\" came after a stop.")
                        .arg(r.name)
                        .arg(r.bytesAfterStop);
    }
    return text;
}

QString BenchReport::measures() const
{
    const BenchResults &s = m_results;
    QString text;
    const auto mib = [](qint64 kb) {
        return number(double(kb) / 1024.0) + QStringLiteral(" MiB");
    };
    text += u'\n';
    text += row({QStringLiteral("measure"), QStringLiteral("value")});
    text += QStringLiteral("|---|--:|\n");
    text += row({QStringLiteral("idle CPU, port open (%1 s)").arg(number(s.idleSeconds)),
                 number(s.idleCpuPercent, 2) + QStringLiteral(" %")});
    text += row(
        {QStringLiteral("start-up to window mapped, median (min-max) of %1").arg(s.startup.count()),
         QStringLiteral("%1 ms (%2-%3)")
             .arg(number(s.startup.percentile(50), 0), number(s.startup.min(), 0),
                  number(s.startup.max(), 0))});
    text += row({QStringLiteral("resident memory at start"), mib(s.residentStartKb)});
    text += row({QStringLiteral("resident memory after %1 MB received")
                     .arg(number(double(s.bulkBytes) / 1e6, 0)),
                 mib(s.residentAfterBulkKb)});
    text +=
        row({QStringLiteral("%1 MB of text taken in%2")
                 .arg(number(double(s.bulkBytes) / 1e6, 0),
                      s.bulkComplete ? QString() : QStringLiteral(" (stopped early)")),
             QStringLiteral("%1 s, %2 MB/s")
                 .arg(number(s.bulkSeconds), number(double(s.bulkBytes) / 1e6 / s.bulkSeconds))});
    text += row({QStringLiteral("log cost, empty log"),
                 number(s.logCostEmptyMs, 3) + QStringLiteral(" ms CPU per kB")});
    text += row({QStringLiteral("log cost, log at its cap"),
                 number(s.logCostFullMs, 3) + QStringLiteral(" ms CPU per kB")});
    return text;
}

QString BenchReport::gamepad() const
{
    const GamepadResult &g = m_results.gamepad;
    const auto line = [](const char *what, const Distribution &latencies) {
        return row({QString::fromLatin1(what), number(latencies.percentile(50)),
                    number(latencies.percentile(99)), number(latencies.max())});
    };
    QString text =
        u'\n' +
        row({QStringLiteral("gamepad, %1 cycles of this tree's pad source").arg(g.toStop.count()),
             QStringLiteral("p50 ms"), QStringLiteral("p99 ms"), QStringLiteral("max ms")});
    text += QStringLiteral("|---|--:|--:|--:|\n");
    text += line("stick pushed to first \"8\"", g.toDirection);
    text += line("push seen to first \"8\"", g.seenToDirection);
    text += line("enable released to \"5\"", g.toStop);
    text += line("release seen to \"5\"", g.seenToStop);
    text += QStringLiteral("\nCPU, port open and nothing repeating: %1 % of a core with no pad, "
                           "%2 % with the pad attached and idle.\n")
                .arg(number(g.noPadCpuPercent, 2), number(g.idleCpuPercent, 2));
    if (g.missed > 0)
        text += QStringLiteral("\n%1 gamepad replies never came.").arg(g.missed);
    if (g.bytesAfterStop > 0)
        text += QStringLiteral("\ngamepad: %1 bytes other than \"5\" came after a stop.")
                    .arg(g.bytesAfterStop);
    return text;
}

QJsonObject BenchReport::json() const
{
    QJsonArray rows;
    for (const RowResult &r : m_results.rows) {
        rows.append(QJsonObject{
            {QStringLiteral("name"), r.name},
            {QStringLiteral("offeredBytesPerSecond"), r.offeredBytesPerSecond},
            {QStringLiteral("takenBytesPerSecond"), r.takenBytesPerSecond},
            {QStringLiteral("periods"), r.periods.count()},
            {QStringLiteral("meanPeriodMs"), r.periods.mean()},
            {QStringLiteral("periodP99Ms"), r.periods.percentile(99)},
            {QStringLiteral("deviationP50Ms"), r.deviations.percentile(50)},
            {QStringLiteral("deviationP99Ms"), r.deviations.percentile(99)},
            {QStringLiteral("maxGapMs"), r.periods.max()},
            {QStringLiteral("cpuPercent"), r.cpuPercent},
            {QStringLiteral("stopLatencyMs"), latencyJson(r.stopLatencies, r.stopsMissed)},
            {QStringLiteral("directionLatencyMs"),
             latencyJson(r.directionLatencies, r.directionsMissed)},
            {QStringLiteral("bytesAfterStop"), r.bytesAfterStop},
        });
    }
    QJsonArray startup;
    for (const double value : m_results.startup.values())
        startup.append(value);

    const BenchResults &s = m_results;
    const GamepadResult &g = s.gamepad;
    const QJsonObject gamepad =
        s.gamepadMeasured
            ? QJsonObject{{QStringLiteral("toDirectionMs"), latencyJson(g.toDirection, g.missed)},
                          {QStringLiteral("seenToDirectionMs"), latencyJson(g.seenToDirection, 0)},
                          {QStringLiteral("toStopMs"), latencyJson(g.toStop, 0)},
                          {QStringLiteral("seenToStopMs"), latencyJson(g.seenToStop, 0)},
                          {QStringLiteral("bytesAfterStop"), g.bytesAfterStop},
                          {QStringLiteral("noPadCpuPercent"), g.noPadCpuPercent},
                          {QStringLiteral("idleCpuPercent"), g.idleCpuPercent}}
            : QJsonObject();
    return {
        {QStringLiteral("gamepad"), gamepad},
        {QStringLiteral("console"), s.console},
        {QStringLiteral("underWine"), s.underWine},
        {QStringLiteral("seconds"), s.seconds},
        {QStringLiteral("drivingOnly"), s.drivingOnly},
        {QStringLiteral("rows"), rows},
        {QStringLiteral("idleCpuPercent"), s.idleCpuPercent},
        {QStringLiteral("startupMs"), startup},
        {QStringLiteral("residentKb"),
         QJsonObject{{QStringLiteral("start"), s.residentStartKb},
                     {QStringLiteral("afterBulk"), s.residentAfterBulkKb}}},
        {QStringLiteral("bulk"),
         QJsonObject{{QStringLiteral("bytes"), s.bulkBytes},
                     {QStringLiteral("seconds"), s.bulkSeconds},
                     {QStringLiteral("bytesPerSecond"), double(s.bulkBytes) / s.bulkSeconds},
                     {QStringLiteral("complete"), s.bulkComplete}}},
        {QStringLiteral("logCostMsPerKb"),
         QJsonObject{{QStringLiteral("emptyLog"), s.logCostEmptyMs},
                     {QStringLiteral("logAtCap"), s.logCostFullMs}}},
    };
}
