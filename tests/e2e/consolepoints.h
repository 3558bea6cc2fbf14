#pragma once

#include "consolelayout.h"

#include <QPoint>
#include <QRect>

// Where the console's controls are in its window's client area, in pixels, as
// an operator's pointer finds them: taken from the window's own layout.
namespace ConsolePoints {

inline constexpr QRect ConnectButton = ConsoleLayout::pixelRect("cmdConn");
inline constexpr QRect DisconnectButton = ConsoleLayout::pixelRect("cmdDisc");
// Editable: a click there puts the caret in its text.
inline constexpr QRect PortBox = ConsoleLayout::pixelRect("Combo4");
inline constexpr QRect KeyboardButton = ConsoleLayout::pixelRect("cmdKeyBoard");
inline constexpr QRect LogBox = ConsoleLayout::pixelRect("txtInput");
inline constexpr QRect ClearButton = ConsoleLayout::pixelRect("Command1");
// Its text can be selected, and so copied.
inline constexpr QRect StatusStrip = ConsoleLayout::pixelRect("lblStatus");
inline constexpr QRect StopBelow = ConsoleLayout::pixelRect("lblStop0");
inline constexpr QRect StopAbove = ConsoleLayout::pixelRect("lblStop1");
inline constexpr QRect StopRight = ConsoleLayout::pixelRect("lblStop2");
inline constexpr QRect StopLeft = ConsoleLayout::pixelRect("lblStop3");
inline constexpr QRect StopMiddle = ConsoleLayout::pixelRect("lblStop4");

// Near a label's top left corner: the direction labels are as wide as their
// caption's font makes them, so only the corner is known beforehand.
constexpr QPoint nearCorner(const char *name)
{
    return ConsoleLayout::pixelRect(name).topLeft() + QPoint(12, 8);
}
inline constexpr QPoint ForwardLabel = nearCorner("lblForward");
inline constexpr QPoint BackwardLabel = nearCorner("lblBackward");
inline constexpr QPoint LeftLabel = nearCorner("lblLeft");
inline constexpr QPoint RightLabel = nearCorner("lblRight");
// Off the window, so a new console does not start under the pointer.
inline constexpr QPoint ParkedPointer(900, 700);

} // namespace ConsolePoints
