#pragma once

class QWidget;

// What assistive technology says about the console's controls. The captions
// stay as designed; these names and descriptions are for those who cannot see
// them, or, for the invisible stop zones, for everyone.
namespace ConsoleAccessibility {

// Gives the window's controls, found by name, their accessible names,
// descriptions and the port list's label as its buddy.
void describe(QWidget *window);

} // namespace ConsoleAccessibility
