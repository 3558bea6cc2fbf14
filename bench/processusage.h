#pragma once

#include <QHash>
#include <QtGlobal>

// What a running process costs, read from /proc: CPU time of all its threads
// and resident memory.
class ProcessUsage
{
public:
    explicit ProcessUsage(qint64 pid);

    // Run time of all its threads so far, in seconds; negative when
    // unreadable. Taken from each thread's run time in nanoseconds where the
    // system keeps it: the process's utime and stime count in hundredths of a
    // second, each rounded down, which over a few seconds of a console using
    // 2 % of a core is as much as the difference between two builds. What a
    // thread that ended ran after the previous reading is not counted.
    double cpuSeconds() const;
    // VmRSS in kB; negative when unreadable.
    qint64 residentKb() const;

private:
    double tickSeconds() const;

    const qint64 m_pid;
    const double m_ticksPerSecond;
    // Each thread's run time at the previous reading, and the sum of all
    // that was added since the first.
    mutable QHash<qint64, qint64> m_threadNs;
    mutable qint64 m_totalNs = 0;
};
