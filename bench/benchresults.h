#pragma once

#include "distribution.h"

#include <QList>
#include <QString>

// One driving run: the pointer on "Move Forward", with a stop and a return
// every few hundred milliseconds, while the far end sends its load.
struct RowResult
{
    QString name;
    qint64 offeredBytesPerSecond = 0;
    double takenBytesPerSecond = 0;
    // Intervals between consecutive "8"s of one driving stretch, in ms.
    Distribution periods;
    // |period - 16 ms|.
    Distribution deviations;
    double cpuPercent = 0;
    // Pointer move acknowledged to "5" at the far end, in ms.
    Distribution stopLatencies;
    // Pointer back on "Move Forward" to the first "8", in ms.
    Distribution directionLatencies;
    int stopsMissed = 0;
    int directionsMissed = 0;
    // Bytes other than "5" between a stop and the return to the label.
    int bytesAfterStop = 0;
};

// Push-and-release cycles of an SDL virtual pad on the console's own
// gamepad source (bench/gamepadbench.h), in ms.
struct GamepadResult
{
    // Stick pushed forward (the enable button already held) to the first "8".
    Distribution toDirection;
    // The console seeing that push (its steering's step) to the first "8".
    Distribution seenToDirection;
    // Enable button let go, the stick still out, to the "5".
    Distribution toStop;
    // The console seeing that release to the "5".
    Distribution seenToStop;
    int missed = 0;
    // Bytes other than "5" after a stop, before the next push.
    int bytesAfterStop = 0;
    // The bench's own process, port open and nothing repeating, with no pad,
    // and with the pad attached and idle.
    double noPadCpuPercent = 0;
    double idleCpuPercent = 0;
};

struct BenchResults
{
    QString console;
    bool underWine = false;
    int seconds = 0;
    QList<RowResult> rows;
    // Only the first row, with the far end silent, and none of the measures below.
    bool drivingOnly = false;

    double idleSeconds = 0;
    double idleCpuPercent = 0;
    // Process started to its window mapped, in ms, one per start.
    Distribution startup;

    qint64 residentStartKb = 0;
    qint64 residentAfterBulkKb = 0;
    qint64 bulkBytes = 0;
    double bulkSeconds = 0;
    bool bulkComplete = false;

    // Console CPU time per 1000 bytes received, in ms.
    double logCostEmptyMs = 0;
    double logCostFullMs = 0;

    bool gamepadMeasured = false;
    GamepadResult gamepad;
};
