#include "keytable.h"

#include <array>

namespace KeyTable {

namespace {
constexpr int KeypadDigitBase = 96;

struct Row
{
    int keypadCode;
    int letterCode;
    DriveCommand command;
};

// clang-format off
constexpr std::array<Row, 4> Rows = {{
    {104, 87, DriveCommand::Forward},   // keypad 8, W
    { 98, 83, DriveCommand::Backward},  // keypad 2, S
    {100, 65, DriveCommand::Left},      // keypad 4, A
    {102, 68, DriveCommand::Right},     // keypad 6, D
}};
// clang-format on

} // namespace

int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return (modifiers & Qt::KeypadModifier) ? KeypadDigitBase + (qtKey - Qt::Key_0)
                                                : qtKey; // '0' to '9' are 48 to 57
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey; // 'A' to 'Z' are 65 to 90
    // Every other key halts, so it needs no code of its own.
    return 0;
}

std::optional<DriveCommand> direction(int keyCode)
{
    for (const Row &row : Rows) {
        if (keyCode == row.keypadCode || keyCode == row.letterCode)
            return row.command;
    }
    return std::nullopt;
}

} // namespace KeyTable
