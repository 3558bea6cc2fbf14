#include "terminationsignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> TerminationSignalNumbers{SIGINT, SIGTERM, SIGHUP};

// A signal handler is given no context, so the pipe's writing end is the one
// thing it can reach; there is one watch per process.
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

bool makePipe(int (&ends)[2])
{
    if (::pipe(ends) != 0)
        return false;
    for (const int end : ends) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action
    {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : TerminationSignalNumbers)
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

class TerminationSignals::Watch
{
public:
    explicit Watch(TerminationSignals *owner)
        : m_owner(owner)
    {
        // Without a pipe the signals keep their default actions: better killed
        // the default way than not at all.
        if (!makePipe(m_ends))
            return;
        m_notifier = new QSocketNotifier(m_ends[0], QSocketNotifier::Read, owner);
        QObject::connect(m_notifier, &QSocketNotifier::activated, owner, [this] { read(); });
        writeEnd = m_ends[1];
        setHandler(&onTerminationSignal);
    }
    ~Watch()
    {
        if (!m_notifier)
            return;
        setHandler(SIG_DFL);
        writeEnd = -1;
        m_notifier->setEnabled(false);
        ::close(m_ends[0]);
        ::close(m_ends[1]);
    }

private:
    void read()
    {
        char bytes[16];
        bool any = false;
        while (::read(m_ends[0], bytes, sizeof bytes) > 0)
            any = true;
        if (any)
            emit m_owner->received();
    }

    TerminationSignals *const m_owner;
    int m_ends[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};

// The handlers reach whichever thread the system picks; none needs blocking.
void TerminationSignals::prepareProcess() {}

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
    , m_watch(std::make_unique<Watch>(this))
{}

TerminationSignals::~TerminationSignals() = default;
