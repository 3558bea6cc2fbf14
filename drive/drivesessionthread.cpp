#include "drivesessionthread.h"

#include "drivesession.h"

DriveSessionThread::DriveSessionThread(DriveSession *session)
    : m_session(session)
{
    m_thread.setObjectName(QStringLiteral("drive"));
    m_session->moveToThread(&m_thread);
    // Its timers and notifiers can only be let go of on its own thread.
    QObject::connect(&m_thread, &QThread::finished, m_session, &QObject::deleteLater);
    m_thread.start();
}

DriveSessionThread::~DriveSessionThread()
{
    QMetaObject::invokeMethod(m_session, &DriveSession::shutdown, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}
