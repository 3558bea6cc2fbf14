#pragma once

#include <QtGlobal>

// The robot's last stop when the console dies of a fault: a crash, an abort,
// an unhandled exception. Nothing of the console's own runs after such a
// fault, so while a direction repeats on an open port the port is armed here:
// the handler that the fault reaches first writes one stop straight to the
// port with nothing but calls that are safe there, and the process then ends
// as it would have without it (the same signal, the same exit). On POSIX
// systems the handler catches SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT; on
// Windows it is the unhandled-exception filter, and SIGABRT for abort().
//
// The armed port is the process's one, as signal handlers are: the drive
// session arms and disarms it as driving starts and ends, and a second
// session would take it over.
class CrashStop
{
public:
    // Once, early in the program. Until then, and in programs that never
    // call it (the tests), arming has no effect beyond itself.
    static void installHandlers();

    CrashStop() = default;
    ~CrashStop() { disarm(); }
    CrashStop(const CrashStop &) = delete;
    CrashStop &operator=(const CrashStop &) = delete;

    // Keeps a copy of the open port's native handle for the handler, so the
    // port may close under it at any time without the stop going astray.
    void arm(qintptr portHandle);
    void disarm();
    bool isArmed() const { return m_copy != NoHandle; }

private:
    static constexpr qintptr NoHandle = -1;
    qintptr m_copy = NoHandle;
};
