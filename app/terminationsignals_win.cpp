#include "terminationsignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

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
class TerminationSignals::Watch : public QAbstractNativeEventFilter
{
public:
    explicit Watch(TerminationSignals *owner)
        : m_owner(owner)
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->installNativeEventFilter(this);
        handlerTarget.store(owner);
        SetConsoleCtrlHandler(&onConsoleControl, TRUE);
    }
    ~Watch() override
    {
        SetConsoleCtrlHandler(&onConsoleControl, FALSE);
        handlerTarget.store(nullptr);
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *const msg = static_cast<const MSG *>(message);
        if (msg->message == WM_ENDSESSION && msg->wParam)
            emit m_owner->received();
        return false;
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
