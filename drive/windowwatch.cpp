#include "windowwatch.h"

#include "clock.h"

WindowWatch::WindowWatch(const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
{}

void WindowWatch::setWatching(bool watching)
{
    if (watching == m_watching)
        return;
    m_watching = watching;
    m_lastPing.reset();
    if (watching) {
        m_lastAnswer = m_clock.now();
    } else {
        // Whatever froze, no one is driving: nothing left to hold.
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

void WindowWatch::tick()
{
    if (!m_watching)
        return;
    checkSilence();
    const std::chrono::milliseconds now = m_clock.now();
    if (m_lastPing && now - *m_lastPing < PingPeriod)
        return;
    m_lastPing = now;
    emit ping();
}

void WindowWatch::checkSilence()
{
    if (!m_frozen && m_clock.now() - m_lastAnswer > SilenceLimit) {
        m_frozen = true;
        emit frozen();
    }
}
