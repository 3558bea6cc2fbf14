#pragma once

#include "controldesign.h"

#include <QRect>
#include <QSize>

#include <array>

// The console window's stored design. All geometry is in twips and is
// converted to logical pixels in one place, toPixels().
namespace ConsoleLayout {

// 1440 twips per inch at 96 logical dots per inch.
inline constexpr int TwipsPerPixel = 15;

inline constexpr int ClientWidthTwips = 9090;
inline constexpr int ClientHeightTwips = 7635;

inline constexpr int StopZoneCount = 5;

extern const std::array<ControlDesign, 18> Controls;

const ControlDesign &control(const char *name);

int toPixels(int twips);
QRect toPixels(const ControlDesign &design);
QSize clientSize();

} // namespace ConsoleLayout
