#include "drivecontroller.h"

#include "crashstop.h"
#include "seriallink.h"
#include "ticksource.h"

Q_LOGGING_CATEGORY(lcDrive, "tavimork.drive", QtWarningMsg)

DriveController::DriveController(SerialLink &link, TickSource *repeatTimer, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , tmr_Send_Command(repeatTimer)
{
    // A child, so it moves to the drive thread along with the controller.
    tmr_Send_Command->setParent(this);
    connect(tmr_Send_Command, &TickSource::tick, this, &DriveController::tmr_Send_Command_Timer);
}

void DriveController::direction(DriveCommand command)
{
    Q_ASSERT(isDirection(command));
    const bool changed = strCommand != command;
    strCommand = command;
    if (changed && m_repeating)
        emit stateChanged(state());
    setRepeating(true);
}

void DriveController::stop()
{
    if (m_link.portOpen())
        writeStop();
    setRepeating(false);
}

void DriveController::halt()
{
    setRepeating(false);
}

void DriveController::hold()
{
    if (m_held)
        return;
    m_held = true;
    qCInfo(lcDrive) << "the window stopped answering: repetition held";
    emit held();
    if (state().driving() && m_link.portOpen())
        writeStop();
}

void DriveController::release()
{
    if (!m_held)
        return;
    qCInfo(lcDrive) << "the window answers again: repetition resumes";
    m_held = false;
    emit released();
}

void DriveController::tmr_Send_Command_Timer()
{
    emit repeatTick();
    if (m_held || !strCommand || !m_link.portOpen())
        return;
    // A direction byte says "keep going"; one still waiting to go out already
    // says it, and a pile of them would keep the robot going long after the
    // operator stopped.
    if (m_link.outputPending()) {
        emit outputStalled();
        return;
    }
    write(*strCommand);
    m_lastWriteWasStop = false;
    noteDirectionWritten();
}

void DriveController::dropQueued()
{
    if (!m_link.portOpen() || !m_link.outputPending())
        return;
    m_link.discardOutput();
    if (m_lastWriteWasStop)
        write(DriveCommand::Stop);
}

void DriveController::write(DriveCommand command)
{
    // The process is ending after a fault, and its stop must be the last byte.
    if (CrashStop::hasFired())
        return;
    m_link.setOutput(QString(QLatin1Char(byteOf(command))));
}

void DriveController::writeStop()
{
    // Whatever still waits is older than this stop and would only delay it.
    if (m_link.outputPending()) {
        emit outputStalled();
        m_link.discardOutput();
    }
    endRun();
    write(DriveCommand::Stop);
    m_lastWriteWasStop = true;
    qCInfo(lcDrive) << "stop written";
    emit stopWritten();
}

void DriveController::noteDirectionWritten()
{
    if (m_runBytes > 0 && m_runCommand == *strCommand) {
        ++m_runBytes;
        return;
    }
    endRun();
    m_runCommand = *strCommand;
    m_runBytes = 1;
    qCInfo(lcDrive).nospace() << "repeating " << byteOf(m_runCommand) << " from now";
    emit repetitionStarted(m_runCommand);
}

void DriveController::endRun()
{
    if (m_runBytes == 0)
        return;
    qCInfo(lcDrive).nospace() << "repeating " << byteOf(m_runCommand) << " ended after "
                              << m_runBytes << " bytes";
    m_runBytes = 0;
}

void DriveController::setRepeating(bool repeating)
{
    const bool changed = m_repeating != repeating;
    m_repeating = repeating;
    // Ticks with no command yet write nothing, so they need not wake anyone:
    // the timer itself runs only while there is a byte to repeat.
    const bool needed = state().driving().has_value();
    if (needed && !tmr_Send_Command->isActive())
        tmr_Send_Command->start();
    else if (!needed)
        tmr_Send_Command->stop();
    if (changed && !repeating)
        endRun();
    if (changed)
        emit stateChanged(state());
}
