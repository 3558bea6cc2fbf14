#pragma once

#include "controldesign.h"

#include <QFont>

// The console's fonts. Tahoma is used where the design asks for it; on systems
// without it, a metric-compatible Tahoma (as shipped with the Debian package
// fonts-wine) is loaded, so captions fit the stored geometry.
namespace ConsoleFonts {

// Makes "Tahoma" resolvable; safe to call more than once.
void ensureTahoma();

QFont windowDefault();
QFont font(ControlDesign::Font which);

} // namespace ConsoleFonts
