#pragma once

#include <QtGlobal>

// What a running process costs, read from /proc: CPU time of all its threads
// and resident memory.
class ProcessUsage
{
public:
    explicit ProcessUsage(qint64 pid);

    // User plus system time so far, in seconds; negative when unreadable.
    double cpuSeconds() const;
    // VmRSS in kB; negative when unreadable.
    qint64 residentKb() const;

private:
    const qint64 m_pid;
    const double m_ticksPerSecond;
};
