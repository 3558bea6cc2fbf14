#include "terminationsignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
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
#endif

void TerminationSignals::blockInThisThread()
{
#ifdef Q_OS_LINUX
    const sigset_t set = terminationSet();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
#endif
}

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_LINUX
    const sigset_t set = terminationSet();
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        // Better killed the default way than not at all.
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);
#endif
}

TerminationSignals::~TerminationSignals()
{
#ifdef Q_OS_LINUX
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

void TerminationSignals::readSignals()
{
#ifdef Q_OS_LINUX
    signalfd_siginfo info{};
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        emit received(static_cast<int>(info.ssi_signo));
#endif
}
