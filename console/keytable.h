#pragma once

#include "drivecommands.h"

#include <Qt>

#include <optional>

// Steering keys. Qt's key events are first reduced to the virtual key codes
// operators and robot firmware documentation speak of (W is 87, keypad 8 is
// 104), then looked up in the steering table.
namespace KeyTable {

// Letters give the code of the capital letter whatever Shift or Caps Lock say;
// keypad digits give 96 to 105, which Qt reports only while Num Lock is on;
// main-row digits give 48 to 57. Every other key gives 0.
int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

// The direction a key code steers, rows tested top to bottom; none for every
// other code.
std::optional<DriveCommand> direction(int keyCode);

} // namespace KeyTable
