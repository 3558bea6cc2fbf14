#include "detectableautorepeat.h"

namespace DetectableAutoRepeat {

// Windows and macOS mark a held key's repeats themselves.
bool enable()
{
    return false;
}

} // namespace DetectableAutoRepeat
