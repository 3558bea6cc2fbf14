#include "windowwatch.h"

#include "clock.h"

WindowWatch::WindowWatch(const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
{
    m_pinger.setInterval(PingPeriod);
    connect(&m_pinger, &QTimer::timeout, this, &WindowWatch::check);
}

void WindowWatch::setWatching(bool watching)
{
    if (watching == m_pinger.isActive())
        return;
    if (watching) {
        m_lastAnswer = m_clock.now();
        m_pinger.start();
    } else {
        // Whatever froze, no one is driving: nothing left to hold.
        m_pinger.stop();
        answered();
    }
}

void WindowWatch::answered()
{
    m_lastAnswer = m_clock.now();
    if (m_frozen) {
        m_frozen = false;
        emit thawed();
    }
}

void WindowWatch::checkSilence()
{
    if (m_pinger.isActive() && !m_frozen && m_clock.now() - m_lastAnswer > SilenceLimit) {
        m_frozen = true;
        emit frozen();
    }
}

void WindowWatch::check()
{
    checkSilence();
    emit ping();
}
