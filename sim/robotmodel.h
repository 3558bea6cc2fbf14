#pragma once

#include "motion.h"
#include "pose.h"

#include <chrono>

// Differential-drive robot in a square walled arena. It either drives straight
// or turns in place, so integrating over any step length is exact.
class RobotModel
{
public:
    static constexpr double LinearSpeedMetresPerSecond = 0.5;
    static constexpr double TurnRateDegreesPerSecond = 90.0;
    static constexpr double ArenaSideMetres = 4.0;
    static constexpr double RobotRadiusMetres = 0.15;
    // Furthest the centre can get from the origin along x or y.
    static constexpr double ReachMetres = ArenaSideMetres / 2.0 - RobotRadiusMetres;

    Pose pose() const { return m_pose; }
    // Clamps into the arena and normalises the heading.
    void setPose(const Pose &pose);
    Motion motion() const { return m_motion; }
    void setMotion(Motion motion) { m_motion = motion; }

    void advance(std::chrono::milliseconds dt);

private:
    void translate(double metres);

    Pose m_pose;
    Motion m_motion = Motion::Stop;
};
