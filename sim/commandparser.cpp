#include "commandparser.h"

std::optional<Motion> CommandParser::parse(char byte)
{
    switch (byte) {
    case '8':
        return Motion::Forward;
    case '2':
        return Motion::Backward;
    case '4':
        return Motion::TurnLeft;
    case '6':
        return Motion::TurnRight;
    case '5':
        return Motion::Stop;
    default:
        return std::nullopt;
    }
}

char CommandParser::byteFor(Motion motion)
{
    switch (motion) {
    case Motion::Forward:
        return '8';
    case Motion::Backward:
        return '2';
    case Motion::TurnLeft:
        return '4';
    case Motion::TurnRight:
        return '6';
    case Motion::Stop:
        break;
    }
    return '5';
}
