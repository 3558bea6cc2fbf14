#pragma once

#include <QLatin1String>

#include <chrono>

// What travels on the serial line to the robot. Each command is one ASCII
// digit, laid out like a numeric keypad, and one byte on the line. There is no
// framing, checksum or acknowledgement.
namespace DriveCommand {
inline constexpr QLatin1String Forward("8");
inline constexpr QLatin1String Backward("2");
inline constexpr QLatin1String Left("4");
inline constexpr QLatin1String Right("6");
inline constexpr QLatin1String Stop("5");

// Line settings applied on every connect: baud, parity, data bits, stop bits.
inline constexpr QLatin1String LineSettings("57600,n,8,1");

// While a direction is current it is written once per period: 62.5 bytes/s,
// well under 2 % of the line at 57600 baud.
inline constexpr std::chrono::milliseconds RepeatPeriod{16};

inline bool isDirection(QLatin1String command)
{
    return command == Forward || command == Backward || command == Left || command == Right;
}
} // namespace DriveCommand
