#pragma once

#include "ticksource.h"

// A repeat timer that ticks only when a test says so.
class ManualTickSource : public TickSource
{
    Q_OBJECT

public:
    using TickSource::TickSource;

    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    // Ticks the given number of times, as far as the source stays enabled.
    void fire(int count = 1)
    {
        for (int i = 0; i < count && m_active; ++i)
            emit tick();
    }

private:
    bool m_active = false;
};
