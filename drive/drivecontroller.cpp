#include "drivecontroller.h"

#include "drivecommands.h"
#include "seriallink.h"

DriveController::DriveController(SerialLink &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    // A coarse timer may stretch each period by up to 5 %, which the robot
    // sees as a lower command rate.
    tmr_Send_Command.setTimerType(Qt::PreciseTimer);
    tmr_Send_Command.setInterval(DriveCommand::RepeatPeriod);
    connect(&tmr_Send_Command, &QTimer::timeout, this, &DriveController::tmr_Send_Command_Timer);
    tmr_Send_Command.start();
}

void DriveController::direction(QLatin1String command)
{
    Q_ASSERT(DriveCommand::isDirection(command));
    strCommand = command;
    // Switching direction keeps the running period, so the byte rate stays
    // steady while the operator sweeps between labels.
    if (!tmr_Send_Command.isActive())
        tmr_Send_Command.start();
}

void DriveController::stop()
{
    if (m_link.portOpen())
        m_link.setOutput(DriveCommand::Stop);
    tmr_Send_Command.stop();
}

void DriveController::halt()
{
    tmr_Send_Command.stop();
}

void DriveController::tmr_Send_Command_Timer()
{
    if (m_link.portOpen())
        m_link.setOutput(strCommand);
}
