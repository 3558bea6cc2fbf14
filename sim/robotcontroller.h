#pragma once

#include "robotmodel.h"
#include "stopreason.h"
#include "watchdog.h"

#include <QByteArray>
#include <QObject>

#include <chrono>

class Clock;

// Turns command bytes into motion, enforces the watchdog and reports status.
// It never reads time except through the Clock, and only moves the robot when
// it is fed bytes or ticked.
class RobotController : public QObject
{
    Q_OBJECT

public:
    RobotController(const Clock *clock, std::chrono::milliseconds watchdogTimeout,
                    std::chrono::milliseconds poseInterval, QObject *parent = nullptr);

    const RobotModel &model() const { return m_model; }

    // Bytes as they came off the line; anything but a command byte is ignored.
    void handleBytes(const QByteArray &bytes);
    // Brings the robot up to the present and sends a pose line when one is due.
    void tick();

signals:
    // One complete line, CR LF included.
    void statusLine(const QByteArray &line);
    void stateChanged();

private:
    void apply(Motion motion, std::chrono::milliseconds now);
    void advanceTo(std::chrono::milliseconds now);
    void stop(StopReason reason);

    const Clock *m_clock;
    RobotModel m_model;
    Watchdog m_watchdog;
    std::chrono::milliseconds m_poseInterval;
    std::chrono::milliseconds m_lastAdvance;
    std::chrono::milliseconds m_nextPoseAt;
};
