#include "terminationsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t terminationSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

class TerminationSignals::Watch
{
public:
    explicit Watch(TerminationSignals *owner)
        : m_owner(owner)
    {
        const sigset_t set = terminationSet();
        m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
        if (m_fd < 0) {
            // Better killed the default way than not at all.
            ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
            return;
        }
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, owner);
        QObject::connect(m_notifier, &QSocketNotifier::activated, owner, [this] { read(); });
    }
    ~Watch()
    {
        if (m_notifier)
            m_notifier->setEnabled(false);
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    void read()
    {
        // Once for however many came together, as the self-pipe does: the
        // program ends the same way for each of them.
        signalfd_siginfo info{};
        bool any = false;
        while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            any = true;
        if (any)
            emit m_owner->received();
    }

    TerminationSignals *const m_owner;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

void TerminationSignals::prepareProcess()
{
    const sigset_t set = terminationSet();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
    , m_watch(std::make_unique<Watch>(this))
{}

TerminationSignals::~TerminationSignals() = default;
