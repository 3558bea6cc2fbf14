#include "robotmodel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double RadiansPerDegree = 3.14159265358979323846 / 180.0;

double normalisedHeading(double degrees)
{
    double heading = std::fmod(degrees, 360.0);
    if (heading < 0.0)
        heading += 360.0;
    // A tiny negative remainder plus 360 rounds up to exactly 360.
    return heading >= 360.0 ? 0.0 : heading;
}

double clampedToReach(double metres)
{
    return std::clamp(metres, -RobotModel::ReachMetres, RobotModel::ReachMetres);
}

} // namespace

void RobotModel::setPose(const Pose &pose)
{
    m_pose = {clampedToReach(pose.x), clampedToReach(pose.y),
              normalisedHeading(pose.headingDegrees)};
}

void RobotModel::advance(std::chrono::milliseconds dt)
{
    const double seconds = std::chrono::duration<double>(dt).count();
    switch (m_motion) {
    case Motion::Stop:
        break;
    case Motion::Forward:
        translate(LinearSpeedMetresPerSecond * seconds);
        break;
    case Motion::Backward:
        translate(-LinearSpeedMetresPerSecond * seconds);
        break;
    case Motion::TurnLeft:
        m_pose.headingDegrees =
            normalisedHeading(m_pose.headingDegrees + TurnRateDegreesPerSecond * seconds);
        break;
    case Motion::TurnRight:
        m_pose.headingDegrees =
            normalisedHeading(m_pose.headingDegrees - TurnRateDegreesPerSecond * seconds);
        break;
    }
}

void RobotModel::translate(double metres)
{
    const double radians = m_pose.headingDegrees * RadiansPerDegree;
    // Each axis clamps on its own, so a robot pushing into a wall at an angle
    // slides along it.
    m_pose.x = clampedToReach(m_pose.x + metres * std::cos(radians));
    m_pose.y = clampedToReach(m_pose.y + metres * std::sin(radians));
}
