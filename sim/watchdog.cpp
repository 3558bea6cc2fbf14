#include "watchdog.h"

Watchdog::Watchdog(std::chrono::milliseconds timeout)
    : m_timeout(timeout)
{}

void Watchdog::kick(std::chrono::milliseconds now)
{
    m_deadline = now + m_timeout;
}

void Watchdog::disarm()
{
    m_deadline.reset();
}
