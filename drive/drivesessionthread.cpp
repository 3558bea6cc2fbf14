#include "drivesessionthread.h"

#include "drivesession.h"

#ifdef Q_OS_LINUX
#include <pthread.h>
#include <sched.h>
#endif

namespace {
// Where the system allows it (root, or an rtprio limit such as the audio
// group's), the drive thread runs ahead of every ordinary thread, so a busy
// window, X server or compiler on the same cores cannot hold up a tick by a
// scheduler time slice. It does little work, so it takes little from them.
// Elsewhere it stays an ordinary thread.
void preferDriveThread()
{
#ifdef Q_OS_LINUX
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
#endif
}
} // namespace

DriveSessionThread::DriveSessionThread(DriveSession *session)
    : m_session(session)
{
    m_thread.setObjectName(QStringLiteral("drive"));
    m_session->moveToThread(&m_thread);
    // Its timers and notifiers can only be let go of on its own thread.
    QObject::connect(&m_thread, &QThread::finished, m_session, &QObject::deleteLater);
    QObject::connect(&m_thread, &QThread::started, m_session, &preferDriveThread,
                     Qt::DirectConnection);
    m_thread.start();
}

DriveSessionThread::~DriveSessionThread()
{
    QMetaObject::invokeMethod(m_session, &DriveSession::shutdown, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}
