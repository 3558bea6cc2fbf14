#pragma once

#include "benchresults.h"

#include <QByteArray>
#include <QString>

// The console's own gamepad source and drive session, in this process, with
// an SDL virtual pad as the operator's and a pty as the robot: how long from
// the pad moving to the robot hearing of it (GamepadResult). Unlike the other
// rows this measures the code of this tree, not the --console executable.

// The robot's end of the line, each byte stamped as it arrives. An interface
// because the end-to-end harness's RobotLine shares its name with the drive
// code's line constants, so no one file can see both.
class StampedLine
{
public:
    virtual ~StampedLine() = default;
    virtual QString devicePath() const = 0;
    // Nanoseconds, on the clock the arrivals are stamped with.
    virtual qint64 now() const = 0;
    virtual qsizetype receivedCount() const = 0;
    virtual QByteArray receivedSince(qsizetype mark) const = 0;
    // When the first `command` at or after mark arrived, or -1.
    virtual qint64 arrivalOf(char command, qsizetype mark) const = 0;
};

// Runs `cycles` push-and-release cycles; false with *error on a failure to set up.
bool runGamepadBench(const StampedLine &line, int cycles, GamepadResult *result, QString *error);
