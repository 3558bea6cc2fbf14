#include "statusformatter.h"

#include "commandparser.h"

#include <cmath>

namespace {

constexpr char LineEnd[] = "\r\n";

double roundedTo(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// Rounding before formatting: -0.0004 would otherwise print as "-0.000".
QByteArray fixed(double value, int decimals)
{
    return QByteArray::number(roundedTo(value, decimals), 'f', decimals);
}

} // namespace

QByteArray StatusFormatter::pose(const Pose &pose)
{
    double heading = roundedTo(pose.headingDegrees, 1);
    if (heading >= 360.0)
        heading = 0.0;
    return "pose x=" + fixed(pose.x, 3) + " y=" + fixed(pose.y, 3) +
           " heading=" + QByteArray::number(heading, 'f', 1) + LineEnd;
}

QByteArray StatusFormatter::drive(Motion motion)
{
    return QByteArray("event drive cmd=") + CommandParser::byteFor(motion) + LineEnd;
}

QByteArray StatusFormatter::stop(StopReason reason)
{
    const char *name = reason == StopReason::Watchdog ? "watchdog" : "command";
    return QByteArray("event stop reason=") + name + LineEnd;
}
