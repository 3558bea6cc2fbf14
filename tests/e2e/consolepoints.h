#pragma once

#include <QPoint>
#include <QRect>

// Where the console's controls are in its window's client area, in pixels, as
// an operator's pointer finds them.
namespace ConsolePoints {

inline constexpr QRect ConnectButton(192, 8, 65, 33);
inline constexpr QRect KeyboardButton(8, 72, 201, 177);
inline constexpr QRect LogBox(8, 256, 593, 185);
inline constexpr QRect StopBelow(296, 216, 217, 33);
inline constexpr QRect StopAbove(296, 112, 217, 33);
inline constexpr QRect StopRight(520, 112, 73, 137);
inline constexpr QRect StopLeft(216, 112, 73, 137);
inline constexpr QRect StopMiddle(368, 176, 73, 17);
// Near each label's left edge: the labels are as wide as their caption's font makes them.
inline constexpr QPoint ForwardLabel(380, 160);
inline constexpr QPoint BackwardLabel(372, 208);
inline constexpr QPoint LeftLabel(316, 184);
inline constexpr QPoint RightLabel(460, 184);
// Off the window, so a new console does not start under the pointer.
inline constexpr QPoint ParkedPointer(900, 700);

} // namespace ConsolePoints
