#pragma once

#include <Qt>

#include <optional>

// Layouts without Latin letters (Cyrillic, Greek, ...) leave W/A/S/D without
// their letters. Such a key still steers by its place on the keyboard: it
// stands for the Latin letter the keyboard map gives it in its first layout
// that has one, as an "ru,us" map gives the key of Ц the W of its US layout.
namespace LatinKeyLetter {

// Qt::Key_A to Qt::Key_Z for the physical key with this native scan code, from
// the first layout of the current keyboard map where it is a Latin letter.
// None if no layout has one, or where the platform offers no keyboard map to
// ask: only X11 does.
std::optional<Qt::Key> forKey(quint32 nativeScanCode);

} // namespace LatinKeyLetter
