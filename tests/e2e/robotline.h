#pragma once

#include <QAtomicInteger>
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

#include <termios.h>

class QThread;

// The robot's end of the serial line: the master of a pseudo-terminal whose
// slave path the console is given as its port. A reader thread stamps every
// byte the moment it arrives, so the times stay true while the test is busy
// waiting for a tool to finish.
class RobotLine
{
public:
    RobotLine();
    ~RobotLine();
    RobotLine(const RobotLine &) = delete;
    RobotLine &operator=(const RobotLine &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    // What the console opens, e.g. /dev/pts/7.
    QString devicePath() const { return m_devicePath; }

    // Everything the console has written so far, and when each byte arrived
    // (nanoseconds on the same clock as now()).
    qsizetype receivedCount() const;
    QByteArray receivedSince(qsizetype mark) const;
    QList<qint64> arrivalsSince(qsizetype mark) const;
    qint64 now() const { return m_clock.nsecsElapsed(); }

    // Sends bytes to the console; false when they are not all taken in time
    // (a console that stopped reading).
    bool write(const QByteArray &bytes, int timeoutMs = 30000);

    // The slave's settings as the console left them (Linux reports the
    // slave's termios on the master).
    termios lineSettings() const;
    // True while some program has the slave open: with no one on it the
    // master reports a hang-up.
    bool isHeldOpen() const;
    // True while the slave keeps the exclusive-use flag (TIOCEXCL) its last
    // holder set: nobody but root could open it. Opens it for a moment to
    // ask, so only call this once the console has let go.
    bool isExclusive() const;
    // Lock files naming the slave (LCK..pts_7) in the usual lock directories,
    // as serial programs leave them.
    QStringList lockFiles() const;
    // Bytes the console wrote that the reader has not taken in yet.
    qsizetype unreadCount() const;

private:
    void readLoop();
    bool drain();

    int m_master = -1;
    QString m_devicePath;
    QString m_error;
    QElapsedTimer m_clock;

    mutable QMutex m_mutex;
    QByteArray m_received;
    QList<qint64> m_arrivals;

    QAtomicInteger<int> m_stopping{0};
    std::unique_ptr<QThread> m_reader;
};
