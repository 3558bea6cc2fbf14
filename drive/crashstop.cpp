#include "crashstop.h"

#include <atomic>

namespace {
// Qt's own, or whichever was there before: the message still goes there.
QtMessageHandler previousHandler = nullptr;
std::atomic<bool> fired{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
} // namespace

bool CrashStop::hasFired()
{
    return fired.load(std::memory_order_relaxed);
}

void CrashStop::holdWriters()
{
    fired.store(true);
}

void CrashStop::installHandlers()
{
    installSystemHandlers();
    previousHandler = qInstallMessageHandler(onMessage);
}

void CrashStop::onMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Qt ends the program right after a fatal message, on Windows without a
    // signal or an exception that the system's handlers would see.
    if (type == QtFatalMsg)
        writeArmedStop();
    previousHandler(type, context, message);
}
