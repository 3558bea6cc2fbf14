#include "systemkeyboard.h"

namespace SystemKeyboard {

// macOS marks a held key's repeats itself.
bool enableDetectableAutoRepeat()
{
    return false;
}

// No keyboard map to ask: letters outside the Latin alphabet halt like any
// other key.
std::optional<Qt::Key> latinLetterForKey(quint32, quint32)
{
    return std::nullopt;
}

} // namespace SystemKeyboard
