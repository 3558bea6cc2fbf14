#include "drivesessionexitguard.h"

#include <cstdlib>

// on_exit() rather than atexit(): it passes the slot, so no global is needed.
bool DriveSessionExitGuard::registerExitHandler(Slot *slot)
{
    return ::on_exit([](int, void *registered) { onExit(static_cast<Slot *>(registered)); },
                     slot) == 0;
}
