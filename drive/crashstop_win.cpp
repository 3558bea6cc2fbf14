#include "crashstop.h"

#include "drivecommands.h"

#include <atomic>
#include <csignal>

#include <windows.h>

namespace {

// What the filter writes to, or null: a handle of its own, so a port closed
// under it cannot take the stop elsewhere.
std::atomic<HANDLE> armedPort{nullptr};
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

// Long enough for one byte on any line that is read at all; a wedged driver
// must not keep the dying process from ending.
constexpr DWORD StopWriteTimeoutMs = 500;
// Far more than a write takes, far less than the 16 ms to the next tick.
constexpr DWORD WriteUnderWayMs = 2;

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS *exception)
{
    CrashStop::writeArmedStop();
    // The runtime's own filter, then the system's handling: the process ends
    // as it would have.
    return previousFilter ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

extern "C" void onAbort(int signalNumber)
{
    CrashStop::writeArmedStop();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

} // namespace

void CrashStop::installSystemHandlers()
{
    previousFilter = SetUnhandledExceptionFilter(onUnhandledException);
    std::signal(SIGABRT, onAbort);
}

void CrashStop::writeArmedStop()
{
    const HANDLE port = armedPort.exchange(nullptr);
    if (!port)
        return;
    // The other threads run on while a crash is reported, which takes a
    // while: the drive thread writes nothing more from here on, and a write
    // it had begun is given the moment it needs to be out before the stop.
    holdWriters();
    Sleep(WriteUnderWayMs);
    // The port is opened for overlapped I/O, with a read of Qt's always
    // under way on it: the write needs an event of its own to be waited for.
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!overlapped.hEvent)
        return;
    const char stop = byteOf(DriveCommand::Stop);
    DWORD written = 0;
    if (!WriteFile(port, &stop, 1, &written, &overlapped) && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(overlapped.hEvent, StopWriteTimeoutMs) != WAIT_OBJECT_0)
            CancelIoEx(port, &overlapped);
        // The system is done with the record and the byte before they go.
        GetOverlappedResult(port, &overlapped, &written, TRUE);
    }
    CloseHandle(overlapped.hEvent);
}

void CrashStop::arm(qintptr portHandle)
{
    disarm();
    if (portHandle == NoHandle)
        return;
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
    // A filter that took the copy first is writing to it; the process is
    // ending anyway.
    const auto copy = reinterpret_cast<HANDLE>(m_copy);
    HANDLE expected = copy;
    if (armedPort.compare_exchange_strong(expected, nullptr))
        CloseHandle(copy);
    m_copy = NoHandle;
}
