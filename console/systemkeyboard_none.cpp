#include "systemkeyboard.h"

namespace SystemKeyboard {

// Windows and macOS mark a held key's repeats themselves.
bool enableDetectableAutoRepeat()
{
    return false;
}

// Without an X server there is no keyboard map to ask; letters outside the
// Latin alphabet halt like any other key.
std::optional<Qt::Key> latinLetterForKey(quint32)
{
    return std::nullopt;
}

} // namespace SystemKeyboard
