#pragma once

#include <QLatin1String>

#include <chrono>
#include <optional>

// What travels on the serial line to the robot. Each command is one ASCII
// digit, laid out like a numeric keypad, and one byte on the line. There is no
// framing, checksum or acknowledgement.
enum class DriveCommand : char {
    Forward = '8',
    Backward = '2',
    Left = '4',
    Right = '6',
    Stop = '5',
};

// The command's byte, as the link writes it.
constexpr char byteOf(DriveCommand command)
{
    return static_cast<char>(command);
}

constexpr bool isDirection(DriveCommand command)
{
    return command != DriveCommand::Stop;
}

// What the drive does, as the controller reports it.
struct DriveState
{
    // The last direction asked for; a stop or halt keeps it, so that
    // repetition resumes with it. None before the first direction.
    std::optional<DriveCommand> command;
    // The repeat timer is enabled: from the start, and from every direction
    // to the next stop or halt.
    bool repeating = true;

    // The direction being repeated, if any: the robot is being driven.
    std::optional<DriveCommand> driving() const { return repeating ? command : std::nullopt; }
};

namespace RobotLine {
// Line settings applied on every connect: baud, parity, data bits, stop bits.
inline constexpr QLatin1String Settings("57600,n,8,1");

// While a direction is current it is written once per period: 62.5 bytes/s,
// well under 2 % of the line at 57600 baud.
inline constexpr std::chrono::milliseconds RepeatPeriod{16};
} // namespace RobotLine
