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
