#pragma once

#include <QByteArray>
#include <QString>

#include <termios.h>

// A pty pair standing in for the robot: the link opens the slave path, the test
// plays the far end on the master.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    bool write(const QByteArray &bytes);
    // As much of bytes as the line takes now; 0 when it is full.
    qsizetype writeSome(const QByteArray &bytes);
    // Appends whatever the link has sent so far to *received; returns its size.
    qsizetype readInto(QByteArray *received);
    // The slave's termios (Linux answers for the slave on the master); all zero
    // when it cannot be read, which no open line matches.
    termios lineSettings() const;
    speed_t lineSpeed() const;
    // Closing the master hangs up the slave, like a far end going away.
    void hangUp();

private:
    int m_master = -1;
    QString m_slavePath;
};
