#include "periodictimer.h"

#include <QTimer>

class PeriodicTimer::PreciseTimerEngine : public Engine
{
public:
    // Children of the owner, so they move with it to the drive thread.
    PreciseTimerEngine(PeriodicTimer *owner, std::chrono::milliseconds period)
        : m_timer(owner)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(period);
        QObject::connect(&m_timer, &QTimer::timeout, owner, &PeriodicTimer::expired);
    }

    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    // A QTimer that fell behind fires once, not once per missed period.
    bool takeExpiry() override { return true; }

private:
    QTimer m_timer;
};

std::unique_ptr<PeriodicTimer::Engine>
PeriodicTimer::makePreciseTimerEngine(PeriodicTimer *owner, std::chrono::milliseconds period)
{
    return std::make_unique<PreciseTimerEngine>(owner, period);
}

PeriodicTimer::PeriodicTimer(std::chrono::milliseconds period, QObject *parent)
    : TickSource(parent)
    , m_engine(makeEngine(this, period))
{}

PeriodicTimer::~PeriodicTimer() = default;

void PeriodicTimer::start()
{
    if (m_active)
        return;
    m_active = true;
    m_engine->start();
}

void PeriodicTimer::stop()
{
    m_active = false;
    m_engine->stop();
}

void PeriodicTimer::expired()
{
    if (m_engine->takeExpiry() && m_active)
        emit tick();
}
