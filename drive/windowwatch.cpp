#include "windowwatch.h"

WindowWatch::WindowWatch(QObject *parent)
    : QObject(parent)
{
    m_pinger.setInterval(PingPeriod);
    connect(&m_pinger, &QTimer::timeout, this, &WindowWatch::check);
    m_pinger.start();
}

void WindowWatch::answered()
{
    // Armed by the first answer: until a window has answered there is no one
    // steering whose silence would mean anything.
    m_sinceAnswer.start();
    if (m_frozen) {
        m_frozen = false;
        emit thawed();
    }
}

void WindowWatch::stop()
{
    m_pinger.stop();
}

void WindowWatch::check()
{
    if (!m_frozen && m_sinceAnswer.isValid() && m_sinceAnswer.elapsed() > SilenceLimit.count()) {
        m_frozen = true;
        emit frozen();
    }
    emit ping();
}
