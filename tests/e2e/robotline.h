#pragma once

// By path: the bench builds this harness with no test library to find it.
#include "pseudoterminal.h"

#include <QAtomicInteger>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>

#include <memory>

class QThread;

// The robot's end of the serial line, whose slave path the console is given as
// its port. A reader thread stamps every byte the moment it arrives, so the
// times stay true while the test is busy waiting for a tool to finish.
class RobotLine : private PseudoTerminal
{
public:
    RobotLine();
    ~RobotLine();

    using PseudoTerminal::errorString;
    using PseudoTerminal::isValid;
    QString devicePath() const { return slavePath(); }

    // Everything the console has written so far, and when each byte arrived
    // (nanoseconds on the same clock as now()).
    qsizetype receivedCount() const;
    QByteArray receivedSince(qsizetype mark) const;
    QList<qint64> arrivalsSince(qsizetype mark) const;
    qint64 now() const { return m_clock.nsecsElapsed(); }

    // All but reading, which is the reader thread's alone.
    using PseudoTerminal::isExclusive;
    using PseudoTerminal::isHeldOpen;
    using PseudoTerminal::lineSettings;
    using PseudoTerminal::lockFiles;
    using PseudoTerminal::unreadCount;
    using PseudoTerminal::write;

private:
    void readLoop();

    QElapsedTimer m_clock;
    mutable QMutex m_mutex;
    QByteArray m_received;
    QList<qint64> m_arrivals;

    QAtomicInteger<int> m_stopping{0};
    std::unique_ptr<QThread> m_reader;
};
