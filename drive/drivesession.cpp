#include "drivesession.h"

#include "drivecontroller.h"
#include "receivedtextqueue.h"
#include "seriallink.h"
#include "ticksource.h"
#include "windowwatch.h"

#include <QTimer>

#include <chrono>

namespace {
// How soon the status line hears that a stalled far end reads again.
constexpr std::chrono::milliseconds DrainPollPeriod{100};

// The settings string is fixed: if it did not read, no connect ever could.
LineSettings robotLine()
{
    QString error;
    const std::optional<LineSettings> line = LineSettings::parse(RobotLine::Settings, &error);
    if (!line)
        qFatal("%s", qPrintable(error));
    return *line;
}
} // namespace

DriveSession::DriveSession(std::unique_ptr<SerialLink> link,
                           std::unique_ptr<TickSource> repeatTimer, QObject *parent)
    : QObject(parent)
    // Every part is a child, so all of them move to the drive thread together.
    , MSComm1(link.release())
    , m_lineSettings(robotLine())
    , m_controller(new DriveController(*MSComm1, repeatTimer.release(), this))
    , m_received(new ReceivedTextQueue(this))
    , m_windowWatch(new WindowWatch(m_clock, this))
    , m_drainPoll(new QTimer(this))
{
    MSComm1->setParent(this);
    connect(MSComm1, &SerialLink::OnComm, this, &DriveSession::MSComm1_OnComm);
    connect(MSComm1, &SerialLink::portLost, this, &DriveSession::reportClosed);
    connect(MSComm1, &SerialLink::portLost, this, &DriveSession::checkDrained);
    connect(m_controller, &DriveController::outputStalled, this, &DriveSession::onOutputStalled);
    m_drainPoll->setInterval(DrainPollPeriod);
    connect(m_drainPoll, &QTimer::timeout, this, &DriveSession::checkDrained);
    connect(m_controller, &DriveController::stateChanged, this, &DriveSession::driveStateChanged);
    connect(m_controller, &DriveController::stateChanged, m_windowWatch,
            [this](const DriveState &state) {
                m_windowWatch->setWatching(state.driving().has_value());
            });
    connect(m_controller, &DriveController::stateChanged, this,
            &DriveSession::followDriveForCrashes);
    connect(MSComm1, &SerialLink::portLost, this, &DriveSession::followDriveForCrashes);
    connect(m_received, &ReceivedTextQueue::batchReady, this, &DriveSession::received);
    connect(MSComm1, &SerialLink::portLost, this,
            [this](const QString &reason) { noteEvent(tr("Port lost: %1").arg(reason)); });
    connect(m_controller, &DriveController::stopWritten, this,
            [this] { noteEvent(tr("Stop (5) sent")); });
    connect(m_controller, &DriveController::repetitionStarted, this, &DriveSession::noteDirection);
    connect(m_controller, &DriveController::held, this,
            [this] { noteEvent(tr("The window stopped answering: the drive is held")); });
    connect(m_controller, &DriveController::released, this,
            [this] { noteEvent(tr("The window answers again: the drive resumes")); });
    connect(m_windowWatch, &WindowWatch::ping, this, &DriveSession::heartbeat);
    // Every byte is vouched for by a window that answered lately.
    connect(m_controller, &DriveController::repeatTick, m_windowWatch, &WindowWatch::tick);
    // While driving, the ticks wake the thread anyway: received bytes due
    // before the next one are gathered on this one.
    connect(m_controller, &DriveController::repeatTick, this,
            [this] { MSComm1->gatherSoon(RobotLine::RepeatPeriod); });
    connect(m_windowWatch, &WindowWatch::frozen, m_controller, &DriveController::hold);
    connect(m_windowWatch, &WindowWatch::thawed, m_controller, &DriveController::release);
}

// Whoever owned the session may not have shut it down. The link is released
// before its children go, so the port is free as soon as the session is.
// Directly, without shutdown()'s wait: nothing else can reach a session being
// destroyed, and its thread may have ended already.
DriveSession::~DriveSession()
{
    stopAndRelease();
}

DriveSession::OpenResult DriveSession::open(qint16 port)
{
    if (m_shutDown)
        return {};
    // As the operator's console always did: the port, the fixed line
    // settings, then open. Any of the three may refuse.
    const bool opened = MSComm1->setCommPort(port) && MSComm1->setSettings(m_lineSettings) &&
                        MSComm1->setPortOpen(true);
    // The window is waiting for this answer, so it is alive, however long the
    // open took.
    m_windowWatch->answered();
    if (!opened) {
        noteEvent(tr("Connect refused: port %1: %2").arg(port).arg(MSComm1->errorString()));
        return {false, MSComm1->errorString()};
    }
    noteEvent(tr("Port %1 opened: %2").arg(port).arg(MSComm1->deviceName()));
    // A character or line break cut off by the last connection is not
    // completed by this one.
    m_decoder.reset();
    followDriveForCrashes();
    m_reportedOpen = true;
    emit portOpened(port, MSComm1->deviceName());
    return {true, MSComm1->deviceName()};
}

void DriveSession::close()
{
    m_crashStop.disarm();
    m_controller->dropQueued();
    MSComm1->setPortOpen(false);
    checkDrained();
    // Also a port that failed a moment ago, its loss not yet reported: the
    // close settles it, and the window hears of the close instead.
    if (m_reportedOpen) {
        noteEvent(tr("Port closed: %1").arg(MSComm1->deviceName()));
        reportClosed(QString());
    }
}

void DriveSession::reportClosed(const QString &reason)
{
    if (!m_reportedOpen)
        return;
    m_reportedOpen = false;
    emit portClosed(MSComm1->commPort(), reason);
}

void DriveSession::deviceRemoved(const QString &name)
{
    MSComm1->deviceRemoved(name);
}

void DriveSession::direction(DriveCommand command)
{
    if (!m_shutDown)
        m_controller->direction(command);
}

void DriveSession::stop()
{
    m_controller->stop();
}

void DriveSession::halt()
{
    m_controller->halt();
}

void DriveSession::stopIfDriving()
{
    if (m_controller->state().driving())
        m_controller->stop();
}

void DriveSession::followDriveForCrashes()
{
    if (!m_controller->state().driving() || !MSComm1->portOpen())
        m_crashStop.disarm();
    else if (!m_crashStop.isArmed())
        m_crashStop.arm(MSComm1->nativeHandle());
}

void DriveSession::shutdown()
{
    callAndWait(this, [this] { stopAndRelease(); });
}

void DriveSession::stopAndRelease()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    // Leaving while a direction repeats on an open port would leave the robot
    // driving with no console.
    if (m_controller->state().driving())
        m_controller->stop();
    else
        m_controller->halt();
    MSComm1->setPortOpen(false);
    checkDrained();
    // The window takes the last of the text right after this, while its
    // recording still runs, instead of from an event loop that may not
    // run again.
    m_received->flush();
}

void DriveSession::windowAnswered()
{
    m_windowWatch->answered();
}

void DriveSession::receivedTextShown()
{
    m_received->batchShown();
}

void DriveSession::setControlForm(ReceivedTextDecoder::ControlForm form)
{
    m_decoder.setControlForm(form);
}

void DriveSession::onOutputStalled()
{
    if (m_lineStalled)
        return;
    m_lineStalled = true;
    qCInfo(lcDrive) << "the far end is not reading: direction bytes held back";
    m_drainPoll->start();
    emit lineStalled(true);
}

void DriveSession::checkDrained()
{
    if (!m_lineStalled || (MSComm1->portOpen() && MSComm1->outputPending()))
        return;
    m_lineStalled = false;
    qCInfo(lcDrive) << "the line drains again";
    m_drainPoll->stop();
    emit lineStalled(false);
}

void DriveSession::MSComm1_OnComm()
{
    const QByteArray bytes = MSComm1->input();
    if (bytes.isEmpty())
        return;
    const std::chrono::milliseconds now = m_clock.now();
    emit bytesReceived(bytes);
    for (qsizetype at = 0; at < bytes.size(); at += ReceivedTextQueue::MaxArrivalBytes) {
        ReceivedArrival arrival;
        const bool wasHolding = m_decoder.holdsPartialCharacter();
        arrival.time = now;
        arrival.leadTime = wasHolding ? m_heldSince : now;
        arrival.bytes = bytes.mid(at, ReceivedTextQueue::MaxArrivalBytes);
        arrival.text = m_decoder.decode(arrival.bytes);
        // What is held back now began in this read, unless nothing showed
        // and it was held before: then it is still the earlier character.
        if (!wasHolding || !arrival.text.isEmpty())
            m_heldSince = now;
        m_received->append(std::move(arrival));
    }
}

void DriveSession::noteEvent(const QString &text)
{
    const std::chrono::milliseconds now = m_clock.now();
    m_received->append({ReceivedArrival::Kind::Event, now, now, {}, text});
}

void DriveSession::noteDirection(DriveCommand command)
{
    static const char *const Words[] = {
        QT_TR_NOOP("Forward (8) repeating"), QT_TR_NOOP("Backward (2) repeating"),
        QT_TR_NOOP("Left (4) repeating"), QT_TR_NOOP("Right (6) repeating")};
    const int index = command == DriveCommand::Forward    ? 0
                      : command == DriveCommand::Backward ? 1
                      : command == DriveCommand::Left     ? 2
                                                          : 3;
    noteEvent(tr(Words[index]));
}

DriveSessionThread::DriveSessionThread(DriveSession *session)
    : m_session(session)
{
    m_thread.setObjectName(QStringLiteral("drive"));
    m_session->moveToThread(&m_thread);
    // Its timers and notifiers can only be let go of on its own thread.
    QObject::connect(&m_thread, &QThread::finished, m_session, &QObject::deleteLater);
    QObject::connect(&m_thread, &QThread::started, m_session,
                     &DriveSessionThread::preferThisThreadForDriving, Qt::DirectConnection);
    m_thread.start();
}

DriveSessionThread::~DriveSessionThread()
{
    // While the thread still runs its loop, so the steps posted before go first.
    m_session->shutdown();
    m_thread.quit();
    m_thread.wait();
}
