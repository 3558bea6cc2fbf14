#pragma once

#include "pose.h"

#include <QRegularExpression>
#include <QString>

#include <optional>

// The pose in one of the simulator's status lines, written as
// "pose x=0.123 y=-0.456 heading=90.0"; nothing for any other line.
inline std::optional<Pose> parsePoseLine(const QString &line)
{
    static const QRegularExpression format(
        QStringLiteral(R"(^pose x=(-?\d+\.\d+) y=(-?\d+\.\d+) heading=(\d+\.\d+)$)"));
    const QRegularExpressionMatch match = format.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return Pose{match.captured(1).toDouble(), match.captured(2).toDouble(),
                match.captured(3).toDouble()};
}
