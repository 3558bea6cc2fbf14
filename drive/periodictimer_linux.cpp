#include "periodictimer.h"

#include <QSocketNotifier>

#include <cstdint>

#include <sys/timerfd.h>
#include <unistd.h>

class PeriodicTimer::PlatformEngine : public Engine
{
public:
    PlatformEngine(int fd, PeriodicTimer *owner, std::chrono::milliseconds period)
        : m_fd(fd)
        , m_period(period)
        , m_notifier(fd, QSocketNotifier::Read, owner)
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, owner, &PeriodicTimer::expired);
    }
    ~PlatformEngine() override
    {
        m_notifier.setEnabled(false);
        ::close(m_fd);
    }

    void start() override
    {
        const auto nanoseconds = std::chrono::nanoseconds(m_period).count();
        const timespec period{time_t(nanoseconds / 1'000'000'000),
                              long(nanoseconds % 1'000'000'000)};
        const itimerspec every{period, period};
        ::timerfd_settime(m_fd, 0, &every, nullptr);
    }

    void stop() override
    {
        const itimerspec disarmed{};
        ::timerfd_settime(m_fd, 0, &disarmed, nullptr);
        takeExpiry();
    }

    bool takeExpiry() override
    {
        std::uint64_t expirations = 0;
        return ::read(m_fd, &expirations, sizeof expirations) == sizeof expirations;
    }

private:
    const int m_fd;
    const std::chrono::milliseconds m_period;
    QSocketNotifier m_notifier;
};

std::unique_ptr<PeriodicTimer::Engine> PeriodicTimer::makeEngine(PeriodicTimer *owner,
                                                                 std::chrono::milliseconds period)
{
    const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    // Only short of descriptors; a QTimer still keeps the robot driven.
    if (fd == -1)
        return makePreciseTimerEngine(owner, period);
    return std::make_unique<PlatformEngine>(fd, owner, period);
}
