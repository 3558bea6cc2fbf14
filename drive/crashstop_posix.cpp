#include "crashstop.h"

#include "drivecommands.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstddef>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 5> FatalSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
// Well above SIGSTKSZ, which glibc no longer makes a constant.
constexpr size_t AlternateStackBytes = 64 * 1024;
// Far more than a write takes, far less than the 16 ms to the next tick.
constexpr long WriteUnderWayNs = 2'000'000;

// What the handler writes to, or -1: a descriptor of the handler's own, so a
// port closed and its number taken again by another file cannot get the stop.
std::atomic<int> armedPort{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

extern "C" void onFatalSignal(int signalNumber)
{
    CrashStop::writeArmedStop();
    // SA_RESETHAND gave the signal its default action back: raised again, it
    // is delivered as the handler returns and ends the whole process as it
    // would have (a fault that recurs on return does the same).
    ::raise(signalNumber);
}

} // namespace

void CrashStop::installSystemHandlers()
{
    // A stack overflow leaves no stack to run the handler on: give this
    // thread, the window's, one of its own, for the whole process.
    alignas(16) static char alternateStack[AlternateStackBytes];
    stack_t alternate{};
    alternate.ss_sp = alternateStack;
    alternate.ss_size = sizeof alternateStack;
    ::sigaltstack(&alternate, nullptr);

    struct sigaction action
    {
    };
    action.sa_handler = onFatalSignal;
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : FatalSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

void CrashStop::writeArmedStop()
{
    const int port = armedPort.exchange(-1);
    if (port == -1)
        return;
    // The other threads run on until the process ends: the drive thread
    // writes nothing more from here on, and a write it had begun is given
    // the moment it needs to be out before the stop.
    holdWriters();
    const timespec pause{0, WriteUnderWayNs};
    ::nanosleep(&pause, nullptr);
    const char stop = byteOf(DriveCommand::Stop);
    [[maybe_unused]] const auto written = ::write(port, &stop, 1);
}

void CrashStop::arm(qintptr portHandle)
{
    disarm();
    if (portHandle == NoHandle)
        return;
    const int copy = ::fcntl(int(portHandle), F_DUPFD_CLOEXEC, 0);
    if (copy == -1)
        return;
    m_copy = copy;
    armedPort.store(copy);
}

void CrashStop::disarm()
{
    if (m_copy == NoHandle)
        return;
    // A handler that took the copy first is writing to it: left open, it
    // cannot be taken by another file meanwhile, and the process is ending.
    int expected = int(m_copy);
    if (armedPort.compare_exchange_strong(expected, -1))
        ::close(int(m_copy));
    m_copy = NoHandle;
}
