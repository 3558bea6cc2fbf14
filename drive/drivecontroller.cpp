#include "drivecontroller.h"

#include "drivecommands.h"
#include "seriallink.h"
#include "ticksource.h"

DriveController::DriveController(SerialLink &link, TickSource *repeatTimer, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , tmr_Send_Command(repeatTimer)
{
    // A child, so it moves to the drive thread along with the controller.
    tmr_Send_Command->setParent(this);
    connect(tmr_Send_Command, &TickSource::tick, this, &DriveController::tmr_Send_Command_Timer);
    tmr_Send_Command->start();
}

void DriveController::direction(QLatin1String command)
{
    Q_ASSERT(DriveCommand::isDirection(command));
    const bool changed = strCommand != command;
    strCommand = command;
    if (changed && tmr_Send_Command->isActive())
        emit stateChanged(strCommand, true);
    setRepeating(true);
}

void DriveController::stop()
{
    if (m_link.portOpen())
        m_link.setOutput(DriveCommand::Stop);
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
    if (isDriving() && m_link.portOpen())
        m_link.setOutput(DriveCommand::Stop);
}

void DriveController::release()
{
    m_held = false;
}

bool DriveController::isRepeating() const
{
    return tmr_Send_Command->isActive();
}

void DriveController::tmr_Send_Command_Timer()
{
    if (!m_held && m_link.portOpen())
        m_link.setOutput(strCommand);
}

void DriveController::setRepeating(bool repeating)
{
    if (tmr_Send_Command->isActive() == repeating)
        return;
    if (repeating)
        tmr_Send_Command->start();
    else
        tmr_Send_Command->stop();
    emit stateChanged(strCommand, repeating);
}
