#include "periodictimer.h"

std::unique_ptr<PeriodicTimer::Engine> PeriodicTimer::makeEngine(PeriodicTimer *owner,
                                                                 std::chrono::milliseconds period)
{
    return makePreciseTimerEngine(owner, period);
}
