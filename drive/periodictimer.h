#pragma once

#include "ticksource.h"

#include <chrono>
#include <memory>

class QSocketNotifier;
class QTimer;

// A tick every period on the thread it lives on.
//
// On Linux it is a timerfd: the kernel keeps the period exact and wakes the
// thread within microseconds, where a QTimer rounds every wait up to a whole
// millisecond and so drifts up to 1 ms late on each tick. Elsewhere it is a
// precise QTimer.
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
    void expired();

    const std::chrono::milliseconds m_period;
    bool m_active = false;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_timer = nullptr;
};
