#include "processusage.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <unistd.h>

namespace {
QByteArray readProcFile(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    // /proc files report size 0, so read until the end rather than by size.
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

ProcessUsage::ProcessUsage(qint64 pid)
    : m_pid(pid)
    , m_ticksPerSecond(double(::sysconf(_SC_CLK_TCK)))
{}

double ProcessUsage::cpuSeconds() const
{
    const QString tasks = QStringLiteral("/proc/%1/task/").arg(m_pid);
    bool any = false;
    for (const QString &thread : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks + thread + QStringLiteral("/schedstat"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        // The first of its three numbers: nanoseconds on a CPU.
        const qint64 ns = file.readAll().split(' ').value(0).toLongLong(&ok);
        if (!ok)
            continue;
        any = true;
        qint64 &seen = m_threadNs[thread.toLongLong()];
        m_totalNs += ns - seen;
        seen = ns;
    }
    return any ? double(m_totalNs) / 1e9 : tickSeconds();
}

double ProcessUsage::tickSeconds() const
{
    const QByteArray stat = readProcFile(m_pid, "stat");
    // The command name may hold spaces and parentheses; the fields start after the last ')'.
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');
    // utime and stime are fields 14 and 15 of the whole line; the first after
    // the name is field 3.
    constexpr int UtimeIndex = 14 - 3;
    constexpr int StimeIndex = 15 - 3;
    if (fields.size() <= StimeIndex)
        return -1;
    const qint64 ticks = fields.at(UtimeIndex).toLongLong() + fields.at(StimeIndex).toLongLong();
    return double(ticks) / m_ticksPerSecond;
}

qint64 ProcessUsage::residentKb() const
{
    const QByteArray status = readProcFile(m_pid, "status");
    for (const QByteArray &line : status.split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
