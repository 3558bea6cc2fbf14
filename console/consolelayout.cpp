#include "consolelayout.h"

#include <QtGlobal>

#include <cstring>

namespace ConsoleLayout {

using F = ControlDesign::Font;

// clang-format off
const std::array<ControlDesign, 18> Controls = {{
    // name           caption                                   left   top  width height font              tab  sized
    {"cmdConn",      "Connect",                                 2880,  120,   975,  495, F::WindowDefault,    0, false},
    {"cmdDisc",      "Disconnect",                              3960,  120,   975,  495, F::WindowDefault,    1, false},
    {"Combo4",       "Select Port",                             1200,  240,  1575,  315, F::WindowDefault,    2, false},
    {"Label2",       "COM PORT",                                 120,  240,   975,  255, F::WindowDefault,    3, false},
    {"txtInput",     "",                                         120, 3840,  8895, 2775, F::WindowDefault,    4, false},
    {"Command1",     "Clear",                                   6840, 6720,  1815,  615, F::WindowDefault,    5, false},
    {"cmdKeyBoard",  "Click to activate Keyboard Control",       120, 1080,  3015, 2655, F::TahomaSmallBold,  6, false},
    {"lblForward",   "Move Forward",                            5520, 2280,  1380,  240, F::TahomaBold,       7, true},
    {"lblBackward",  "Move Backward",                           5400, 3000,  1530,  240, F::TahomaBold,       8, true},
    {"lblLeft",      "Move Left",                               4560, 2640,   975,  240, F::TahomaBold,       9, true},
    {"lblRight",     "Move Right",                              6720, 2640,  1095,  240, F::TahomaBold,      10, true},
    {"lblStop0",     "Stop",                                    4440, 3240,  3255,  495, F::WindowDefault,   11, false},
    {"lblStop1",     "Stop",                                    4440, 1680,  3255,  495, F::WindowDefault,   12, false},
    {"lblStop2",     "Stop",                                    7800, 1680,  1095, 2055, F::WindowDefault,   13, false},
    {"lblStop3",     "Stop",                                    3240, 1680,  1095, 2055, F::WindowDefault,   14, false},
    {"lblStop4",     "Stop",                                    5520, 2640,  1095,  255, F::WindowDefault,   15, false},
    {"Label1",       "Move Mouse on labels to perform action",  4320, 1200,  4335,  375, F::TahomaBold,      16, false},
    // The free strip right of Disconnect: which device the port stands for.
    {"lblStatus",    "",                                        5040,  120,  3930,  495, F::WindowDefault,   -1, false},
}};
// clang-format on

const ControlDesign &control(const char *name)
{
    for (const ControlDesign &design : Controls) {
        if (std::strcmp(design.name, name) == 0)
            return design;
    }
    qFatal("No control named %s in the console layout", name);
}

int toPixels(int twips)
{
    return qRound(double(twips) / TwipsPerPixel);
}

QRect toPixels(const ControlDesign &design)
{
    return QRect(toPixels(design.left), toPixels(design.top), toPixels(design.width),
                 toPixels(design.height));
}

QSize clientSize()
{
    return QSize(toPixels(ClientWidthTwips), toPixels(ClientHeightTwips));
}

} // namespace ConsoleLayout
