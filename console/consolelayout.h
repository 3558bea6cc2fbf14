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

// Captions are translated in the context "ConsoleLayout" when applied.
#define CAPTION(text) QT_TRANSLATE_NOOP("ConsoleLayout", text)
// clang-format off
inline constexpr std::array<ControlDesign, 18> Controls = {{
    // name           caption                                         left   top  width height font              tab  sized
    {"cmdConn",      CAPTION("Connect"),                              2880,  120,   975,  495, F::WindowDefault,    0, false},
    {"cmdDisc",      CAPTION("Disconnect"),                           3960,  120,   975,  495, F::WindowDefault,    1, false},
    {"Combo4",       CAPTION("Select Port"),                          1200,  240,  1575,  315, F::WindowDefault,    2, false},
    {"Label2",       CAPTION("COM PORT"),                              120,  240,   975,  255, F::WindowDefault,    3, false},
    {"txtInput",     "",                                               120, 3840,  8895, 2775, F::WindowDefault,    4, false},
    {"Command1",     CAPTION("Clear"),                                6840, 6720,  1815,  615, F::WindowDefault,    5, false},
    {"cmdKeyBoard",  CAPTION("Click to activate Keyboard Control"),    120, 1080,  3015, 2655, F::TahomaSmallBold,  6, false},
    {"lblForward",   CAPTION("Move Forward"),                         5520, 2280,  1380,  240, F::TahomaBold,       7, true},
    {"lblBackward",  CAPTION("Move Backward"),                        5400, 3000,  1530,  240, F::TahomaBold,       8, true},
    {"lblLeft",      CAPTION("Move Left"),                            4560, 2640,   975,  240, F::TahomaBold,       9, true},
    {"lblRight",     CAPTION("Move Right"),                           6720, 2640,  1095,  240, F::TahomaBold,      10, true},
    {"lblStop0",     CAPTION("Stop"),                                 4440, 3240,  3255,  495, F::WindowDefault,   11, false},
    {"lblStop1",     CAPTION("Stop"),                                 4440, 1680,  3255,  495, F::WindowDefault,   12, false},
    {"lblStop2",     CAPTION("Stop"),                                 7800, 1680,  1095, 2055, F::WindowDefault,   13, false},
    {"lblStop3",     CAPTION("Stop"),                                 3240, 1680,  1095, 2055, F::WindowDefault,   14, false},
    {"lblStop4",     CAPTION("Stop"),                                 5520, 2640,  1095,  255, F::WindowDefault,   15, false},
    {"Label1",       CAPTION("Move Mouse on labels to perform action"), 4320, 1200,  4335,  375, F::TahomaBold,      16, false},
    // The free strip right of Disconnect: which device the port stands for.
    {"lblStatus",    "",                                              5040,  120,  3930,  495, F::WindowDefault,   -1, false},
}};
// clang-format on
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

// Places, captions, fonts and tab order from the table onto the window's
// children, found by their object names, each of which must exist.
void apply(QWidget *window);

} // namespace ConsoleLayout
