#pragma once

#include <QThread>

class DriveSession;

// Runs a drive session on a thread of its own with its own event loop.
// Destroying it shuts the session down (the stop, the port released), then
// ends the thread and deletes the session there.
class DriveSessionThread
{
public:
    // Takes the session, which must have no parent.
    explicit DriveSessionThread(DriveSession *session);
    ~DriveSessionThread();
    DriveSessionThread(const DriveSessionThread &) = delete;
    DriveSessionThread &operator=(const DriveSessionThread &) = delete;

    DriveSession *session() const { return m_session; }

private:
    QThread m_thread;
    DriveSession *const m_session;
};
