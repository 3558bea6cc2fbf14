#pragma once

#include "clock.h"
#include "crashstop.h"
#include "drivecommands.h"
#include "linesettings.h"
#include "receivedarrival.h"
#include "receivedtextdecoder.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <memory>
#include <type_traits>

class QTimer;
class DriveController;
class ReceivedTextQueue;
class SerialLink;
class TickSource;
class WindowWatch;

// Everything between the operator's steps and the serial line: the link, its
// opening and closing, the drive controller with its repeat timer, and the
// decoding of what the robot sends back. It runs on a thread of its own
// (DriveSessionThread), so nothing the window does delays a byte; the window
// only posts steps to it, in the order the operator made them, and shows what
// it reports.
class DriveSession : public QObject
{
    Q_OBJECT

public:
    struct OpenResult
    {
        bool opened = false;
        // The device that was opened, or why the open failed.
        QString detail;
    };

    DriveSession(std::unique_ptr<SerialLink> link, std::unique_ptr<TickSource> repeatTimer,
                 QObject *parent = nullptr);
    ~DriveSession() override;

    // Connect: port (1 to 16) with the robot's line settings. portOpened()
    // follows an open.
    OpenResult open(qint16 port);
    // Disconnect: writes nothing and leaves the drive as it is, so it
    // resumes on the next open. portClosed() follows, if the port was open.
    void close();

    // The system says a serial device is gone (SerialLink::deviceRemoved()).
    void deviceRemoved(const QString &name);

    // The controller's steps.
    void direction(DriveCommand command);
    void stop();
    void halt();
    // Something took the operator's input away from the steering controls
    // (a menu, a dialog, the window minimised): a repeating direction gets
    // the stop step, as a key release would, so one kept while the port is
    // closed does not resume on the next open either. Otherwise nothing.
    void stopIfDriving();

    // The window is going away: a direction repeating on an open port gets
    // one stop, then the port is released. Nothing is written after this.
    // Any thread may call it while the session's thread runs its event loop:
    // it runs there after every step posted before, and returns once the stop
    // is out and the port free, so the program can end right after. Once done
    // it does nothing again.
    void shutdown();

    // Answers to heartbeat() from the window's thread.
    void windowAnswered();
    // The log has taken the last received() batch.
    void receivedTextShown();
    // How control bytes in received text show (whether the log can draw
    // their pictures).
    void setControlForm(ReceivedTextDecoder::ControlForm form);

signals:
    // The open state of the port, as the session opens and closes it: the
    // window, its status strip and its device watch follow these.
    void portOpened(qint16 port, const QString &device);
    // reason is empty for a Disconnect, and says why for a port that failed
    // under the session (it is closed again).
    void portClosed(qint16 port, const QString &reason);
    // What was read, decoded and stamped, with the console's own events
    // among it in the order they happened; at most one batch per frame: call
    // receivedTextShown() once it is in the log.
    void received(const ReceivedBatch &batch);
    // Every read, as it comes and exactly as read, for a recording. Emitted
    // on the session's thread: a receiver there would hold up the drive.
    void bytesReceived(const QByteArray &bytes);
    void driveStateChanged(const DriveState &state);
    // The far end stopped taking what is written (true), or took it all again.
    void lineStalled(bool stalled);
    // Answer with windowAnswered(). A window that stops answering while the
    // robot is driven has the robot stopped until it answers again.
    void heartbeat();

private:
    // The link has received data: decode it and queue it for the log.
    void MSComm1_OnComm();
    void onOutputStalled();
    // Ends a stall once nothing waits to go out any more, or the port closed.
    void checkDrained();
    // portClosed(), once for each portOpened().
    void reportClosed(const QString &reason);
    // One of the console's own events, in the log among what was received.
    void noteEvent(const QString &text);
    void noteDirection(DriveCommand command);
    // Arms the crash stop while a direction repeats on an open port.
    void followDriveForCrashes();
    // What shutdown() does, on the session's own thread; also the
    // destructor's.
    void stopAndRelease();

    SerialLink *const MSComm1;
    // The robot's line, read once from its settings string.
    const LineSettings m_lineSettings;
    DriveController *const m_controller;
    ReceivedTextQueue *const m_received;
    const SteadyClock m_clock;
    WindowWatch *const m_windowWatch;
    ReceivedTextDecoder m_decoder;
    // When the character the decoder holds back began.
    std::chrono::milliseconds m_heldSince{0};
    QTimer *const m_drainPoll;
    CrashStop m_crashStop;
    bool m_lineStalled = false;
    // Whether portOpened() was the last of the two reports.
    bool m_reportedOpen = false;
    bool m_shutDown = false;
};

// Runs a call on the session's thread and returns its result once it ran:
// through the session's queue, after every step posted before, from another
// thread; directly from the session's own, where waiting on the queue would
// never return.
template <typename Call> auto callAndWait(DriveSession *session, Call call)
{
    const Qt::ConnectionType type = session->thread() == QThread::currentThread()
                                        ? Qt::DirectConnection
                                        : Qt::BlockingQueuedConnection;
    if constexpr (std::is_void_v<decltype(call())>) {
        QMetaObject::invokeMethod(session, std::move(call), type);
    } else {
        decltype(call()) result{};
        QMetaObject::invokeMethod(session, std::move(call), type, &result);
        return result;
    }
}

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
    // Where the system allows it, the calling thread runs ahead of every
    // ordinary thread, so a busy window, X server or compiler on the same
    // cores cannot hold up a tick by a scheduler time slice. The drive thread
    // does little work, so it takes little from them. Where the system
    // refuses, the thread stays an ordinary one (docs/BEHAVIOUR.md says
    // where). In a file of the platform's.
    static void preferThisThreadForDriving();

    QThread m_thread;
    DriveSession *const m_session;
};
