#include "periodictimer.h"

#include <QSocketNotifier>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <cstdint>

#include <sys/timerfd.h>
#include <unistd.h>
#endif

PeriodicTimer::PeriodicTimer(std::chrono::milliseconds period, QObject *parent)
    : TickSource(parent)
    , m_period(period)
{
#ifdef Q_OS_LINUX
    m_fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd != -1) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &PeriodicTimer::expired);
        return;
    }
#endif
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(m_period);
    connect(m_timer, &QTimer::timeout, this, &PeriodicTimer::expired);
}

PeriodicTimer::~PeriodicTimer()
{
#ifdef Q_OS_LINUX
    if (m_fd != -1) {
        delete m_notifier;
        ::close(m_fd);
    }
#endif
}

void PeriodicTimer::start()
{
    if (m_active)
        return;
    m_active = true;
#ifdef Q_OS_LINUX
    if (m_fd != -1) {
        const auto nanoseconds = std::chrono::nanoseconds(m_period).count();
        const timespec period{time_t(nanoseconds / 1'000'000'000),
                              long(nanoseconds % 1'000'000'000)};
        const itimerspec every{period, period};
        ::timerfd_settime(m_fd, 0, &every, nullptr);
        return;
    }
#endif
    m_timer->start();
}

void PeriodicTimer::stop()
{
    m_active = false;
#ifdef Q_OS_LINUX
    if (m_fd != -1) {
        const itimerspec disarmed{};
        ::timerfd_settime(m_fd, 0, &disarmed, nullptr);
        // An expiry that is already counted must not tick after the stop.
        std::uint64_t expirations = 0;
        [[maybe_unused]] const auto drained = ::read(m_fd, &expirations, sizeof expirations);
        return;
    }
#endif
    m_timer->stop();
}

void PeriodicTimer::expired()
{
#ifdef Q_OS_LINUX
    if (m_fd != -1) {
        // A thread held up for several periods sends one byte, not a burst of
        // stale ones.
        std::uint64_t expirations = 0;
        if (::read(m_fd, &expirations, sizeof expirations) != sizeof expirations)
            return;
    }
#endif
    if (m_active)
        emit tick();
}
