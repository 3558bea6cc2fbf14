#pragma once

#include "controldesign.h"

#include <QCoreApplication>
#include <QRect>
#include <QSize>

#include <array>
#include <string_view>

class QWidget;

// The console window's stored design, the one place its geometry is written.
// Everything is in twips and is converted to logical pixels here; the tests,
// the end-to-end pointer and the screenshot script take their points from it.
namespace ConsoleLayout {

// 1440 twips per inch at 96 logical dots per inch.
inline constexpr int TwipsPerPixel = 15;

inline constexpr int ClientWidthTwips = 9090;
inline constexpr int ClientHeightTwips = 7635;

inline constexpr int StopZoneCount = 5;

using F = ControlDesign::Font;

// Captions and accessible texts are translated in the context "ConsoleLayout"
// when applied.
#define CAPTION(text) QT_TRANSLATE_NOOP("ConsoleLayout", text)
#define A11Y(text) QT_TRANSLATE_NOOP("ConsoleLayout", text)
// clang-format off
inline constexpr std::array<ControlDesign, 18> Controls = {{
    // name           caption                                         left   top  width height font              tab  sized
    //                accessible name, description
    {"cmdConn",      CAPTION("Connect"),                              2880,  120,   975,  495, F::WindowDefault,    0, false,
                     "", A11Y("Opens the selected port")},
    {"cmdDisc",      CAPTION("Disconnect"),                           3960,  120,   975,  495, F::WindowDefault,    1, false,
                     "", A11Y("Closes the port; a repeating direction resumes on the next Connect")},
    {"Combo4",       CAPTION("Select Port"),                          1200,  240,  1575,  315, F::WindowDefault,    2, false,
                     "", A11Y("Port number from 1 to 16; the status line names its device")},
    {"Label2",       CAPTION("COM PORT"),                              120,  240,   975,  255, F::WindowDefault,    3, false,
                     "", ""},
    {"txtInput",     "",                                               120, 3840,  8895, 2775, F::WindowDefault,    4, false,
                     A11Y("Received data"), A11Y("Text the robot sends")},
    {"Command1",     CAPTION("Clear"),                                6840, 6720,  1815,  615, F::WindowDefault,    5, false,
                     "", A11Y("Empties the received data")},
    {"cmdKeyBoard",  CAPTION("Click to activate Keyboard Control"),    120, 1080,  3015, 2655, F::TahomaSmallBold,  6, false,
                     A11Y("Keyboard control"),
                     A11Y("While this has the keyboard focus, holding W, S, A or D, or keypad 8, 2, 4 "
                          "or 6, drives forward, backward, left or right; releasing the key stops. "
                          "Escape stops from anywhere in the window")},
    {"lblForward",   CAPTION("Move Forward"),                         5520, 2280,  1380,  240, F::TahomaBold,       7, true,
                     "", A11Y("Moving the pointer over this drives forward")},
    {"lblBackward",  CAPTION("Move Backward"),                        5400, 3000,  1530,  240, F::TahomaBold,       8, true,
                     "", A11Y("Moving the pointer over this drives backward")},
    {"lblLeft",      CAPTION("Move Left"),                            4560, 2640,   975,  240, F::TahomaBold,       9, true,
                     "", A11Y("Moving the pointer over this turns left")},
    {"lblRight",     CAPTION("Move Right"),                           6720, 2640,  1095,  240, F::TahomaBold,      10, true,
                     "", A11Y("Moving the pointer over this turns right")},
    {"lblStop0",     CAPTION("Stop"),                                 4440, 3240,  3255,  495, F::WindowDefault,   11, false,
                     A11Y("Stop zone below"), A11Y("Moving the pointer over this stops the robot")},
    {"lblStop1",     CAPTION("Stop"),                                 4440, 1680,  3255,  495, F::WindowDefault,   12, false,
                     A11Y("Stop zone above"), A11Y("Moving the pointer over this stops the robot")},
    {"lblStop2",     CAPTION("Stop"),                                 7800, 1680,  1095, 2055, F::WindowDefault,   13, false,
                     A11Y("Stop zone right"), A11Y("Moving the pointer over this stops the robot")},
    {"lblStop3",     CAPTION("Stop"),                                 3240, 1680,  1095, 2055, F::WindowDefault,   14, false,
                     A11Y("Stop zone left"), A11Y("Moving the pointer over this stops the robot")},
    {"lblStop4",     CAPTION("Stop"),                                 5520, 2640,  1095,  255, F::WindowDefault,   15, false,
                     A11Y("Stop zone in the middle"), A11Y("Moving the pointer over this stops the robot")},
    {"Label1",       CAPTION("Move Mouse on labels to perform action"), 4320, 1200,  4335,  375, F::TahomaBold,      16, false,
                     "", ""},
    // The free strip right of Disconnect: which device the port stands for.
    {"lblStatus",    "",                                              5040,  120,  3930,  495, F::WindowDefault,   -1, false,
                     "", A11Y("The port, the connection and what the robot is told")},
}};
// clang-format on
#undef A11Y
#undef CAPTION

// Rounded to the nearest pixel; every stored value is non-negative.
constexpr int toPixels(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

constexpr QRect toPixels(const ControlDesign &design)
{
    return QRect(toPixels(design.left), toPixels(design.top), toPixels(design.width),
                 toPixels(design.height));
}

constexpr QSize clientSize()
{
    return QSize(toPixels(ClientWidthTwips), toPixels(ClientHeightTwips));
}

// The stored rectangle of the control with that name, in pixels; a label sized
// to its caption keeps only its top left corner at run time. A name that is
// not in the design fails the build where it is constant, and is fatal
// otherwise.
constexpr QRect pixelRect(std::string_view name)
{
    for (const ControlDesign &design : Controls) {
        if (name == design.name)
            return toPixels(design);
    }
    throw "no control of that name in the console layout";
}

// Places, captions, fonts, tab order and accessible texts from the table onto
// the window's children, found by their object names, each of which must
// exist; and the port list's label as its buddy, which is how screen readers
// on Linux find the list's name.
void apply(QWidget *window);

} // namespace ConsoleLayout
