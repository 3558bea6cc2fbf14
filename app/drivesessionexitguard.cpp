#include "drivesessionexitguard.h"

#include "drivesession.h"

#include <cstdlib>
#include <memory>

namespace {
// atexit() passes its handler nothing, so the one slot a process registers
// waits here: the standard's way on every system, where glibc's on_exit()
// would pass it along.
void *registeredSlot = nullptr;
} // namespace

// What the exit handler is given. Handlers cannot be taken back, so after a
// normal return from main() it still runs, finds no session and frees this.
struct DriveSessionExitGuard::Slot
{
    DriveSession *session = nullptr;
};

DriveSessionExitGuard::DriveSessionExitGuard(DriveSession &session)
{
    auto slot = std::make_unique<Slot>();
    slot->session = &session;
    if (registerExitHandler(slot.get()))
        m_slot = slot.release();
}

DriveSessionExitGuard::~DriveSessionExitGuard()
{
    if (m_slot)
        m_slot->session = nullptr;
}

bool DriveSessionExitGuard::registerExitHandler(Slot *slot)
{
    if (registeredSlot)
        return false;
    registeredSlot = slot;
    return std::atexit([] { onExit(static_cast<Slot *>(registeredSlot)); }) == 0;
}

void DriveSessionExitGuard::onExit(Slot *slot)
{
    const std::unique_ptr<Slot> owned(slot);
    DriveSession *const session = owned->session;
    if (!session)
        return;
    // Exit handlers run last registered first: whatever Qt had set up before
    // the guard is still there, and the drive thread still runs its loop.
    session->shutdown();
}
