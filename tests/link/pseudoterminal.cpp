#include "pseudoterminal.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    int slave = -1;
    char name[128] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        return;
    }
    // Only the link holds the slave, so the master's close is a real hang-up.
    ::close(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    return ::write(m_master, bytes.constData(), bytes.size()) == bytes.size();
}

qsizetype PseudoTerminal::writeSome(const QByteArray &bytes)
{
    const ssize_t n = ::write(m_master, bytes.constData(), bytes.size());
    return n > 0 ? n : 0;
}

qsizetype PseudoTerminal::readInto(QByteArray *received)
{
    char buffer[256];
    ssize_t n;
    while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
        received->append(buffer, n);
    return received->size();
}

termios PseudoTerminal::lineSettings() const
{
    termios settings{};
    if (::tcgetattr(m_master, &settings) != 0)
        settings = termios{};
    return settings;
}

speed_t PseudoTerminal::lineSpeed() const
{
    const termios settings = lineSettings();
    return ::cfgetospeed(&settings);
}

void PseudoTerminal::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
