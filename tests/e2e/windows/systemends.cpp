// Ends a windowed program the ways Windows itself does, for the end-to-end
// tests under Wine: the session ending, the events of the console the program
// joined, and the removal of a serial port. The program is found by the title
// of one of its windows; the messages go to all of its windows, top-level and
// message-only, as Windows leaves none of them out.
//
//   systemends run PROGRAM [ARG...]        PROGRAM in a console of its own,
//                                          which stays until PROGRAM ends;
//                                          exits with PROGRAM's status
//   systemends ctrl-c|ctrl-break           raised in that console
//   systemends close-console               that console's window closed
//   systemends logoff|shutdown TITLE       WM_QUERYENDSESSION, WM_ENDSESSION
//   systemends remove-port TITLE COMN      WM_DEVICECHANGE, port removed
//   systemends fault TITLE                 an access violation that nothing
//                                          handles, on a thread of its own
//
// Prints why it failed and exits 1 when Windows (or Wine) refused a step.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

#include <dbt.h>

namespace {

constexpr UINT AnswerTimeoutMs = 10000;

int failed(const wchar_t *step)
{
    std::fwprintf(stderr, L"systemends: %ls failed (error %lu)\n", step, GetLastError());
    return 1;
}

// run's own process gets the events of its console too, and must outlive
// them.
BOOL WINAPI ignoreControl(DWORD)
{
    return TRUE;
}

DWORD processOf(const wchar_t *title)
{
    const HWND window = FindWindowW(nullptr, title);
    DWORD process = 0;
    if (window)
        GetWindowThreadProcessId(window, &process);
    return process;
}

BOOL CALLBACK collectTopLevel(HWND window, LPARAM state)
{
    auto *const found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>> *>(state);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == found->first)
        found->second.push_back(window);
    return TRUE;
}

std::vector<HWND> windowsOf(DWORD process)
{
    std::pair<DWORD, std::vector<HWND>> found{process, {}};
    EnumWindows(&collectTopLevel, reinterpret_cast<LPARAM>(&found));
    // EnumWindows leaves out message-only windows.
    for (HWND window = nullptr;
         (window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process)
            found.second.push_back(window);
    }
    return found.second;
}

// As Windows does: each window is asked and waited for in turn. A window
// whose process ended on an earlier one answers nothing, which is no failure.
int sendToAll(DWORD process, UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::vector<HWND> windows = windowsOf(process);
    if (windows.empty()) {
        std::fwprintf(stderr, L"systemends: process %lu has no windows\n", process);
        return 1;
    }
    for (const HWND window : windows) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, AnswerTimeoutMs, &answer);
    }
    return 0;
}

int endSession(DWORD process, LPARAM how)
{
    if (const int status = sendToAll(process, WM_QUERYENDSESSION, 0, how))
        return status;
    return sendToAll(process, WM_ENDSESSION, TRUE, how);
}

int removePort(DWORD process, const wchar_t *name)
{
    // DEV_BROADCAST_PORT ends in the name; its size counts it with the null.
    const size_t nameBytes = (std::wcslen(name) + 1) * sizeof(wchar_t);
    std::vector<char> storage(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + nameBytes);
    auto *const port = reinterpret_cast<DEV_BROADCAST_PORT_W *>(storage.data());
    port->dbcp_size = DWORD(storage.size());
    port->dbcp_devicetype = DBT_DEVTYP_PORT;
    std::memcpy(port->dbcp_name, name, nameBytes);
    return sendToAll(process, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                     reinterpret_cast<LPARAM>(port));
}

// What run's console is asked to do, by name, from another process. The
// console's own process raises the events: Wine sends an event for group 0
// to the raiser's group only, where Windows sends it to the whole console.
struct ConsoleRequest
{
    const wchar_t *command;
    const wchar_t *eventName;
};
constexpr ConsoleRequest ConsoleRequests[] = {
    {L"ctrl-c", L"Local\\systemends-ctrl-c"},
    {L"ctrl-break", L"Local\\systemends-ctrl-break"},
    {L"close-console", L"Local\\systemends-close-console"},
};
constexpr DWORD RequestCount = DWORD(std::size(ConsoleRequests));

int request(const ConsoleRequest &request)
{
    const HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, request.eventName);
    if (!event)
        return failed(L"OpenEvent (is a console running?)");
    const BOOL set = SetEvent(event);
    CloseHandle(event);
    return set ? 0 : failed(L"SetEvent");
}

bool carryOut(const ConsoleRequest &request)
{
    const std::wstring command = request.command;
    if (command == L"ctrl-c")
        return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) || failed(L"GenerateConsoleCtrlEvent");
    if (command == L"ctrl-break")
        return GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0) || failed(L"GenerateConsoleCtrlEvent");
    // What the close button of the console's window sends.
    const HWND console = GetConsoleWindow();
    return (console && PostMessageW(console, WM_SYSCOMMAND, SC_CLOSE, 0)) ||
           failed(L"closing the console window");
}

std::wstring quoted(const wchar_t *argument)
{
    std::wstring result = L"\"";
    for (const wchar_t *c = argument; *c; ++c) {
        if (*c == L'"')
            result += L'\\';
        result += *c;
    }
    return result + L'"';
}

int runInConsole(int argc, wchar_t **argv)
{
    // A console of its own, whatever this was started from.
    FreeConsole();
    if (!AllocConsole())
        return failed(L"AllocConsole");
    // Its events reach this process as well as the program.
    SetConsoleCtrlHandler(&ignoreControl, TRUE);
    HANDLE waits[1 + RequestCount] = {};
    for (DWORD i = 0; i < RequestCount; ++i) {
        waits[1 + i] = CreateEventW(nullptr, FALSE, FALSE, ConsoleRequests[i].eventName);
        if (!waits[1 + i])
            return failed(L"CreateEvent");
    }
    std::wstring commandLine;
    for (int i = 0; i < argc; ++i)
        commandLine += (i ? L" " : L"") + quoted(argv[i]);
    // The program goes with this process, however this one ends: a test
    // that gives up on it kills this one.
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job ||
        !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits)))
        return failed(L"CreateJobObject");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &started))
        return failed(L"CreateProcess");
    if (!AssignProcessToJobObject(job, started.hProcess)) {
        TerminateProcess(started.hProcess, 1);
        return failed(L"AssignProcessToJobObject");
    }
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    waits[0] = started.hProcess;
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(1 + RequestCount, waits, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken > WAIT_OBJECT_0 && woken <= WAIT_OBJECT_0 + RequestCount)
            carryOut(ConsoleRequests[woken - WAIT_OBJECT_0 - 1]);
        else
            return failed(L"WaitForMultipleObjects");
    }
    DWORD status = 1;
    GetExitCodeProcess(started.hProcess, &status);
    return int(status);
}

int usage()
{
    std::fwprintf(stderr, L"usage: systemends run PROGRAM [ARG...]\n"
                          L"       systemends ctrl-c|ctrl-break|close-console\n"
                          L"       systemends logoff|shutdown TITLE\n"
                          L"       systemends remove-port TITLE COMN\n");
    return 2;
}

// A thread started in the program at an address where nothing runs: a crash
// as one on any of its threads would be, which only its unhandled-exception
// filter sees before the program ends.
int fault(DWORD process)
{
    const HANDLE target = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                          PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ,
                                      FALSE, process);
    if (!target)
        return failed(L"OpenProcess");
    const auto nowhere = reinterpret_cast<LPTHREAD_START_ROUTINE>(std::uintptr_t{16});
    const HANDLE thread = CreateRemoteThread(target, nullptr, 0, nowhere, nullptr, 0, nullptr);
    CloseHandle(target);
    if (!thread)
        return failed(L"CreateRemoteThread");
    CloseHandle(thread);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return usage();
    const std::wstring command = argv[1];
    if (command == L"run" && argc > 2)
        return runInConsole(argc - 2, argv + 2);
    for (const ConsoleRequest &known : ConsoleRequests) {
        if (command == known.command && argc == 2)
            return request(known);
    }
    if (argc < 3)
        return usage();
    const DWORD process = processOf(argv[2]);
    if (!process) {
        std::fwprintf(stderr, L"systemends: no window titled \"%ls\"\n", argv[2]);
        return 1;
    }
    if (command == L"logoff" && argc == 3)
        return endSession(process, ENDSESSION_LOGOFF);
    if (command == L"shutdown" && argc == 3)
        return endSession(process, 0);
    if (command == L"remove-port" && argc == 4)
        return removePort(process, argv[3]);
    if (command == L"fault" && argc == 3)
        return fault(process);
    return usage();
}
