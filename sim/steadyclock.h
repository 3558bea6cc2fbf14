#pragma once

#include "clock.h"

class SteadyClock : public Clock
{
public:
    std::chrono::milliseconds now() const override;
};
