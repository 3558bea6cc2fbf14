#pragma once

#include <chrono>

// Monotonic time source. Everything that measures time takes one of these so
// tests can step time by hand instead of sleeping.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::chrono::milliseconds now() const = 0;
};

class SteadyClock : public Clock
{
public:
    std::chrono::milliseconds now() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};
