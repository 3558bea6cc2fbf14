#pragma once

#include "ticksource.h"

#include <chrono>
#include <memory>

// A tick every period on the thread it lives on.
//
// On Linux it is a timerfd: the kernel keeps the period exact and wakes the
// thread within microseconds, where a QTimer rounds every wait up to a whole
// millisecond and so drifts up to 1 ms late on each tick. Elsewhere, and where
// no timerfd can be had, it is a precise QTimer. On Windows that is a periodic
// multimedia timer at 1 ms resolution, which keeps its period by itself and
// holds the system's timer at 1 ms only while it runs, that is while a
// direction repeats.
class PeriodicTimer : public TickSource
{
    Q_OBJECT

public:
    explicit PeriodicTimer(std::chrono::milliseconds period, QObject *parent = nullptr);
    ~PeriodicTimer() override;

    void start() override;
    void stop() override;
    bool isActive() const override { return m_active; }

private:
    // What wakes the thread each period; calls expired() when it does.
    class Engine
    {
    public:
        virtual ~Engine() = default;
        virtual void start() = 0;
        // No expiry already counted may tick after this.
        virtual void stop() = 0;
        // Whether this wake-up is a period's end. A thread held up for several
        // periods takes one, so it sends one byte, not a burst of stale ones.
        virtual bool takeExpiry() = 0;
    };
    class PreciseTimerEngine;
    // Where the platform has a steadier timer than Qt's, in its own file.
    class PlatformEngine;

    // The platform's engine.
    static std::unique_ptr<Engine> makeEngine(PeriodicTimer *owner,
                                              std::chrono::milliseconds period);
    static std::unique_ptr<Engine> makePreciseTimerEngine(PeriodicTimer *owner,
                                                          std::chrono::milliseconds period);

    void expired();

    bool m_active = false;
    std::unique_ptr<Engine> m_engine;
};
