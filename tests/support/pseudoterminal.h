#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <termios.h>

// One end of a pseudo-terminal, read only when asked, like a stalled peer.
// Made new, it is the master of a pair standing in for the robot: the program
// under test opens the slave path. Given a device, it is the console's end of
// a pty someone else made, such as the simulator's.
class PseudoTerminal
{
public:
    enum class Settings { Raw, AsFound };

    PseudoTerminal();
    // Raw at 57600 baud, as the console opens it; or as its maker left it.
    explicit PseudoTerminal(const QString &device, Settings settings = Settings::Raw);
    ~PseudoTerminal() { hangUp(); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_fd >= 0; }
    QString errorString() const { return m_error; }
    // What the program under test opens, e.g. /dev/pts/7.
    QString slavePath() const { return m_slavePath; }

    // All of bytes; false when the line does not take them in time (a program
    // that stopped reading).
    bool write(const QByteArray &bytes, int timeoutMs = 30000);
    // As much of bytes as the line takes now; 0 when it is full.
    qsizetype writeSome(const QByteArray &bytes);

    // Appends whatever the program has sent so far to *received; returns its size.
    qsizetype readInto(QByteArray *received);
    // Everything read here so far, and its complete lines without their CR LF.
    const QByteArray &received();
    QList<QByteArray> lines();
    // True once there is something to read, or the slave has hung up.
    bool waitForInput(int timeoutMs) const;
    // Sent but not read here yet.
    qsizetype unreadCount() const;

    // The slave's termios (Linux answers for the slave on the master); all zero
    // when it cannot be read, which no open line matches.
    termios lineSettings() const;
    speed_t lineSpeed() const;

    // True while some program has the slave open: with no one on it the
    // master reports a hang-up.
    bool isHeldOpen() const;
    // True while the slave keeps the exclusive-use flag (TIOCEXCL) its last
    // holder set: nobody but root could open it. Opens it for a moment to
    // ask, so only call this once the program has let go.
    bool isExclusive() const;
    // Lock files naming the slave (/dev/pts/7 as LCK..pts_7) in the usual lock
    // directories, as serial programs leave them.
    QStringList lockFiles() const;

    // Closing the master hangs up the slave, like a far end going away;
    // closing a device is its console going away.
    void hangUp();

private:
    int m_fd = -1;
    QString m_slavePath;
    QString m_error;
    QByteArray m_received;
};
