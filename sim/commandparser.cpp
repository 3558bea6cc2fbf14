#include "commandparser.h"

#include "drivecommands.h"

std::optional<Motion> CommandParser::parse(char byte)
{
    switch (byte) {
    case byteOf(DriveCommand::Forward):
        return Motion::Forward;
    case byteOf(DriveCommand::Backward):
        return Motion::Backward;
    case byteOf(DriveCommand::Left):
        return Motion::TurnLeft;
    case byteOf(DriveCommand::Right):
        return Motion::TurnRight;
    case byteOf(DriveCommand::Stop):
        return Motion::Stop;
    default:
        return std::nullopt;
    }
}

char CommandParser::byteFor(Motion motion)
{
    switch (motion) {
    case Motion::Forward:
        return byteOf(DriveCommand::Forward);
    case Motion::Backward:
        return byteOf(DriveCommand::Backward);
    case Motion::TurnLeft:
        return byteOf(DriveCommand::Left);
    case Motion::TurnRight:
        return byteOf(DriveCommand::Right);
    case Motion::Stop:
        break;
    }
    return byteOf(DriveCommand::Stop);
}
