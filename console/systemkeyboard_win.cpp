#include "systemkeyboard.h"

namespace SystemKeyboard {

// Windows marks a held key's repeats itself.
bool enableDetectableAutoRepeat()
{
    return false;
}

// A layout's letter keys keep the virtual keys of their place on a US
// keyboard where the layout has no Latin letters (Russian, Greek, ...); the
// virtual keys of letters are their capitals' codes.
std::optional<Qt::Key> latinLetterForKey(quint32, quint32 nativeVirtualKey)
{
    if (nativeVirtualKey < 'A' || nativeVirtualKey > 'Z')
        return std::nullopt;
    return Qt::Key(Qt::Key_A + int(nativeVirtualKey - 'A'));
}

} // namespace SystemKeyboard
