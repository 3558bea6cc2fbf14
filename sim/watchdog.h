#pragma once

#include <chrono>
#include <optional>

// Deadline that each command pushes back; the robot must stop once it passes.
// Times are whatever the caller's Clock says, so it never reads a clock itself.
class Watchdog
{
public:
    explicit Watchdog(std::chrono::milliseconds timeout);

    void kick(std::chrono::milliseconds now);
    void disarm();
    // Empty while disarmed.
    std::optional<std::chrono::milliseconds> deadline() const { return m_deadline; }

private:
    std::chrono::milliseconds m_timeout;
    std::optional<std::chrono::milliseconds> m_deadline;
};
