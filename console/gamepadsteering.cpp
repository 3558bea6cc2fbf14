#include "gamepadsteering.h"

#include <array>
#include <cmath>
#include <utility>

bool GamepadReading::operator==(const GamepadReading &other) const
{
    return enableHeld == other.enableHeld && stickRight == other.stickRight &&
           stickForward == other.stickForward && padUp == other.padUp && padDown == other.padDown &&
           padLeft == other.padLeft && padRight == other.padRight;
}

void GamepadSteering::update(const GamepadReading &reading)
{
    if (!reading.enableHeld) {
        // Whatever the stick does: the operator let go.
        if (std::exchange(m_enabled, false)) {
            m_command.reset();
            emit stop();
        }
        return;
    }
    const std::optional<DriveCommand> command = wanted(reading);
    if (!std::exchange(m_enabled, true))
        m_mustCentre = command.has_value();
    if (m_mustCentre) {
        m_mustCentre = command.has_value();
        return;
    }
    if (command == m_command)
        return;
    m_command = command;
    if (command)
        emit direction(*command);
    else
        emit stop();
}

void GamepadSteering::forget()
{
    m_enabled = false;
    m_mustCentre = false;
    m_command.reset();
}

std::optional<DriveCommand> GamepadSteering::wanted(const GamepadReading &reading) const
{
    const std::array<std::pair<bool, DriveCommand>, 4> pad = {{
        {reading.padUp, DriveCommand::Forward},
        {reading.padDown, DriveCommand::Backward},
        {reading.padLeft, DriveCommand::Left},
        {reading.padRight, DriveCommand::Right},
    }};
    // A thumb rolling onto a second D-pad button keeps the first one's way.
    for (const auto &[held, command] : pad) {
        if (held && command == m_command)
            return command;
    }
    for (const auto &[held, command] : pad) {
        if (held)
            return command;
    }
    return stickWanted(reading);
}

std::optional<DriveCommand> GamepadSteering::stickWanted(const GamepadReading &reading) const
{
    const double forward = reading.stickForward;
    const double right = reading.stickRight;
    const auto onVertical = [forward] {
        return forward > 0 ? DriveCommand::Forward : DriveCommand::Backward;
    };
    const auto onHorizontal = [right] {
        return right > 0 ? DriveCommand::Right : DriveCommand::Left;
    };
    const bool wasVertical =
        m_command == DriveCommand::Forward || m_command == DriveCommand::Backward;
    const bool wasHorizontal = m_command == DriveCommand::Left || m_command == DriveCommand::Right;
    if (wasVertical || wasHorizontal) {
        const double along = std::abs(wasVertical ? forward : right);
        const double across = std::abs(wasVertical ? right : forward);
        if (across > Engage && across > along * SwitchRatio)
            return wasVertical ? onHorizontal() : onVertical();
        if (along >= Release)
            return wasVertical ? onVertical() : onHorizontal();
    }
    if (std::abs(forward) > Engage && std::abs(forward) >= std::abs(right))
        return onVertical();
    if (std::abs(right) > Engage)
        return onHorizontal();
    return std::nullopt;
}
