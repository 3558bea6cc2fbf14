#pragma once

#include "clock.h"

// Time that only moves when a test says so.
class FakeClock : public Clock
{
public:
    std::chrono::milliseconds now() const override { return m_now; }
    void advance(std::chrono::milliseconds by) { m_now += by; }

private:
    // Not zero, so nothing can pass by treating zero as "never".
    std::chrono::milliseconds m_now{123456};
};
