#pragma once

#include "motion.h"
#include "pose.h"
#include "stopreason.h"

#include <QByteArray>

// Status lines sent back to the console, each ending in CR LF. Numbers are
// plain decimals with a '.' point whatever the locale.
class StatusFormatter
{
public:
    // "pose x=0.123 y=-0.456 heading=90.0"
    static QByteArray pose(const Pose &pose);
    // "event drive cmd=8"
    static QByteArray drive(Motion motion);
    // "event stop reason=command" or "event stop reason=watchdog"
    static QByteArray stop(StopReason reason);
};
