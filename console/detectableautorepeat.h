#pragma once

// On X11 a held key normally arrives as release+press pairs, and Qt guesses
// which releases are auto-repeat by peeking at the event queue, a guess that
// fails when the matching press is late. Asking the X server for detectable
// auto-repeat makes it send repeats as presses only, so every release the
// console sees is a real one.
namespace DetectableAutoRepeat {

// Returns true if the X server agreed; false on other platforms, where the
// event's own auto-repeat flag is relied on instead.
bool enable();

} // namespace DetectableAutoRepeat
