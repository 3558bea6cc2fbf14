#pragma once

#include <Qt>

#include <optional>

// What the console asks of the system's keyboard beyond Qt's key events: X11
// and Windows answer; elsewhere both give what Qt's events already carry.
namespace SystemKeyboard {

// On X11 a held key normally arrives as release+press pairs, and Qt guesses
// which releases are auto-repeat by peeking at the event queue, a guess that
// fails when the matching press is late. Asking the X server for detectable
// auto-repeat makes it send repeats as presses only, so every release the
// console sees is a real one.
// Returns true if the X server agreed; false on other platforms, where the
// event's own auto-repeat flag is relied on instead.
bool enableDetectableAutoRepeat();

// Layouts without Latin letters (Cyrillic, Greek, ...) leave W/A/S/D without
// their letters. Such a key still steers by its place on the keyboard: it
// stands for the Latin letter the keyboard map gives it in its first layout
// that has one, as an "ru,us" map gives the key of Ц the W of its US layout.
//
// Qt::Key_A to Qt::Key_Z for the physical key of a key event, given its
// native scan code and virtual key (QKeyEvent's): on X11 from the first
// layout of the current keyboard map where the key is a Latin letter; on
// Windows from the virtual key, which a layout without Latin letters gives
// the letter of the key's US place (VK_W for the key of Ц). None if the key
// has no such letter, or where the platform says nothing of it (macOS,
// Wayland).
std::optional<Qt::Key> latinLetterForKey(quint32 nativeScanCode, quint32 nativeVirtualKey);

} // namespace SystemKeyboard
