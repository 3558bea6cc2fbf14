#include "drivesessionexitguard.h"

#include <cstdlib>

namespace {
// atexit() passes its handler nothing, so the one slot a process registers
// waits here.
void *registeredSlot = nullptr;
} // namespace

bool DriveSessionExitGuard::registerExitHandler(Slot *slot)
{
    if (registeredSlot)
        return false;
    registeredSlot = slot;
    return std::atexit([] { onExit(static_cast<Slot *>(registeredSlot)); }) == 0;
}
