#include "terminationsignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> TerminationSignalNumbers{SIGINT, SIGTERM, SIGHUP};

// A signal handler is given no context, so the pipe is the process's own: made
// once, before any thread, and kept to the end. A signal that comes before the
// watch, or after it, waits in the pipe until the watch reads it.
int pipeEnds[2] = {-1, -1};
volatile sig_atomic_t writeEnd = -1;

extern "C" void onTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    // Nothing else is async-signal-safe to do here. A full pipe already
    // holds a wake-up.
    [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

class TerminationSignals::Watch
{
public:
    explicit Watch(TerminationSignals *owner)
        : m_owner(owner)
    {
        prepareProcess();
        // Without a pipe the signals keep their default actions: better killed
        // the default way than not at all.
        if (pipeEnds[0] == -1)
            return;
        m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, owner);
        QObject::connect(m_notifier, &QSocketNotifier::activated, owner, [this] { read(); });
    }
    ~Watch()
    {
        if (m_notifier)
            m_notifier->setEnabled(false);
    }

private:
    void read()
    {
        char bytes[16];
        bool any = false;
        while (::read(pipeEnds[0], bytes, sizeof bytes) > 0)
            any = true;
        if (any)
            emit m_owner->received();
    }

    TerminationSignals *const m_owner;
    QSocketNotifier *m_notifier = nullptr;
};

void TerminationSignals::prepareProcess()
{
    if (pipeEnds[0] != -1 || ::pipe(pipeEnds) != 0)
        return;
    for (const int end : pipeEnds) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    }
    writeEnd = pipeEnds[1];
    struct sigaction action
    {
    };
    action.sa_handler = &onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : TerminationSignalNumbers)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
    , m_watch(std::make_unique<Watch>(this))
{}

TerminationSignals::~TerminationSignals() = default;
