#pragma once

class DriveSession;

// Qt's xcb platform ends the program with exit(1) from inside the event loop
// when its X connection breaks (the X server died, the session ended), so
// main()'s destructors never run: the drive thread would repeat a direction
// until the process is gone, and the port would keep its exclusive-use flag
// and lock file. While a guard lives, exit() first shuts the session down, as
// closing the window would.
class DriveSessionExitGuard
{
public:
    // The session must live on another thread with a running event loop, and
    // outlive the guard.
    explicit DriveSessionExitGuard(DriveSession &session);
    ~DriveSessionExitGuard();
    DriveSessionExitGuard(const DriveSessionExitGuard &) = delete;
    DriveSessionExitGuard &operator=(const DriveSessionExitGuard &) = delete;

private:
    struct Slot;
    // exit()'s hook; false where one is registered already.
    static bool registerExitHandler(Slot *slot);
    static void onExit(Slot *slot);

    // Owned by the exit handler; null when none could be registered.
    Slot *m_slot = nullptr;
};
