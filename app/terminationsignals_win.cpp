#include "terminationsignals.h"

#include "windowsmessagefilter_win.h"

#include <atomic>
#include <cstdio>

#include <io.h>
#include <windows.h>

namespace {

// The console's control handler is given no context, so the live watch's
// owner is the one thing it can reach; there is one per process.
std::atomic<TerminationSignals *> handlerTarget{nullptr};

BOOL WINAPI onConsoleControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    TerminationSignals *const target = handlerTarget.load();
    if (!target)
        return FALSE;
    // This runs on a thread of the system's, and for a closed console the
    // process ends when it returns: wait until the owner's thread has run
    // the slots. A target deleted meanwhile releases the wait.
    QMetaObject::invokeMethod(
        target, [target] { emit target->received(); }, Qt::BlockingQueuedConnection);
    return TRUE;
}

// stdout and stderr of a windowed program lead nowhere unless its starter
// redirected them; then they keep going there.
void reopenOnConsoleIfUnset(FILE *stream)
{
    const int fd = _fileno(stream);
    if (fd >= 0 && _get_osfhandle(fd) >= 0)
        return;
    std::freopen("CONOUT$", "w", stream);
}

} // namespace

// Logoff and shutdown reach a windowed program as WM_ENDSESSION to its
// windows, and the process ends when that returns.
class TerminationSignals::Watch : public WindowsMessageFilter
{
public:
    explicit Watch(TerminationSignals *owner)
        : m_owner(owner)
    {
        handlerTarget.store(owner);
        SetConsoleCtrlHandler(&onConsoleControl, TRUE);
    }
    ~Watch() override
    {
        SetConsoleCtrlHandler(&onConsoleControl, FALSE);
        handlerTarget.store(nullptr);
    }

protected:
    void onMessage(const MSG &message) override
    {
        if (message.message == WM_ENDSESSION && message.wParam)
            emit m_owner->received();
    }

private:
    TerminationSignals *const m_owner;
};

void TerminationSignals::prepareProcess()
{
    // Started from a console window (cmd, PowerShell): its Ctrl+C, Ctrl+Break
    // and close reach this process too. Started from the desktop: nothing.
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    reopenOnConsoleIfUnset(stdout);
    reopenOnConsoleIfUnset(stderr);
}

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
    , m_watch(std::make_unique<Watch>(this))
{}

TerminationSignals::~TerminationSignals() = default;
