#include "drivesessionthread.h"

#include "drivesession.h"
#include "drivethreadpriority.h"

DriveSessionThread::DriveSessionThread(DriveSession *session)
    : m_session(session)
{
    m_thread.setObjectName(QStringLiteral("drive"));
    m_session->moveToThread(&m_thread);
    // Its timers and notifiers can only be let go of on its own thread.
    QObject::connect(&m_thread, &QThread::finished, m_session, &QObject::deleteLater);
    QObject::connect(&m_thread, &QThread::started, m_session, &preferThisThreadForDriving,
                     Qt::DirectConnection);
    m_thread.start();
}

DriveSessionThread::~DriveSessionThread()
{
    callAndWait(m_session, [session = m_session] { session->shutdown(); });
    m_thread.quit();
    m_thread.wait();
}
