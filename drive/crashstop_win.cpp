#include "crashstop.h"

#include "drivecommands.h"

#include <atomic>
#include <csignal>

#include <windows.h>

namespace {

// What the filter writes to, or null: a handle of its own, so a port closed
// under it cannot take the stop elsewhere.
std::atomic<HANDLE> armedPort{nullptr};

void writeStop()
{
    const HANDLE port = armedPort.exchange(nullptr);
    if (!port)
        return;
    // The port is opened for overlapped I/O, so the write needs its own record
    // and is waited for here: the process ends right after.
    OVERLAPPED overlapped{};
    const char stop = byteOf(DriveCommand::Stop);
    DWORD written = 0;
    if (!WriteFile(port, &stop, 1, &written, &overlapped) && GetLastError() == ERROR_IO_PENDING)
        GetOverlappedResult(port, &overlapped, &written, TRUE);
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS *)
{
    writeStop();
    // On to the system's own handling: the process ends as it would have.
    return EXCEPTION_CONTINUE_SEARCH;
}

extern "C" void onAbort(int signalNumber)
{
    writeStop();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

} // namespace

void CrashStop::installHandlers()
{
    SetUnhandledExceptionFilter(onUnhandledException);
    std::signal(SIGABRT, onAbort);
}

void CrashStop::arm(qintptr portHandle)
{
    disarm();
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(portHandle),
                         GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return;
    m_copy = reinterpret_cast<qintptr>(copy);
    armedPort.store(copy);
}

void CrashStop::disarm()
{
    if (m_copy == NoHandle)
        return;
    const auto copy = reinterpret_cast<HANDLE>(m_copy);
    HANDLE expected = copy;
    armedPort.compare_exchange_strong(expected, nullptr);
    CloseHandle(copy);
    m_copy = NoHandle;
}
