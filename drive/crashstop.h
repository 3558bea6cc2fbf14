#pragma once

#include <QtGlobal>

// The robot's last stop when the console dies of a fault: a crash, an abort,
// a fatal Qt message, an unhandled exception. Nothing of the console's own
// runs after such a fault, so while a direction repeats on an open port the
// port is armed here: the handler that the fault reaches first writes one
// stop straight to the port with nothing but calls that are safe there, and
// the process then ends as it would have without it. On POSIX systems that is
// a handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT, which ends the
// process by the same signal; on Windows the unhandled-exception filter, and
// SIGABRT for abort(); everywhere a fatal Qt message, which Windows' Qt ends
// without either.
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

    // The stop went out for a fault: nothing may be written after it, in the
    // moment before the process ends.
    static bool hasFired();

    // For the handlers: writes the stop to the armed port, once, after
    // whatever write was already under way. Safe in a signal handler.
    static void writeArmedStop();

private:
    static constexpr qintptr NoHandle = -1;
    // The system's handlers, in the platform's file.
    static void installSystemHandlers();
    // From here on hasFired() says so.
    static void holdWriters();
    static void onMessage(QtMsgType type, const QMessageLogContext &context,
                          const QString &message);

    qintptr m_copy = NoHandle;
};
