#pragma once

#include "drivecommands.h"

#include <QObject>

#include <optional>

// One look at the pad that steers, as the drive needs it.
struct GamepadReading
{
    // Any of the buttons that must be held to drive.
    bool enableHeld = false;
    // The left stick, each axis from -1 to 1, forward and right positive.
    double stickRight = 0;
    double stickForward = 0;
    bool padUp = false;
    bool padDown = false;
    bool padLeft = false;
    bool padRight = false;

    bool operator==(const GamepadReading &other) const;
};

// Turns what the pad shows into the drive's steps, as a dead-man control:
// nothing drives unless an enable button is held, letting go of it stops,
// and the stick counts only well away from its centre, so one that does not
// spring back exactly, or a thumb resting on it, drives nothing.
class GamepadSteering : public QObject
{
    Q_OBJECT

public:
    // Past half its travel on the larger axis the stick gives a direction;
    // it ends below 40 %, so a stick held near the edge does not chatter.
    static constexpr double Engage = 0.5;
    static constexpr double Release = 0.4;
    // Towards a diagonal the other axis takes over only once it is this much
    // larger, about 51 degrees off the driven axis, so a stick held near 45
    // degrees keeps one direction.
    static constexpr double SwitchRatio = 1.25;

    using QObject::QObject;

    void update(const GamepadReading &reading);
    // The pad is gone, or another one takes over: everything is forgotten,
    // and the next pad starts as if its enable button had just been pressed.
    void forget();

    // The pad's last step was a direction: it may be what the robot repeats.
    bool isSteering() const { return m_command.has_value(); }

signals:
    void direction(DriveCommand command);
    void stop();

private:
    std::optional<DriveCommand> wanted(const GamepadReading &reading) const;
    std::optional<DriveCommand> stickWanted(const GamepadReading &reading) const;

    bool m_enabled = false;
    // The enable button came down with the stick or the D-pad already out:
    // nothing drives until both have been let go once.
    bool m_mustCentre = false;
    std::optional<DriveCommand> m_command;
};
