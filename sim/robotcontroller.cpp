#include "robotcontroller.h"

#include "clock.h"
#include "commandparser.h"
#include "statusformatter.h"

#include <algorithm>

RobotController::RobotController(const Clock *clock, std::chrono::milliseconds watchdogTimeout,
                                 std::chrono::milliseconds poseInterval, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_watchdog(watchdogTimeout)
    , m_poseInterval(poseInterval)
    , m_lastAdvance(clock->now())
    , m_nextPoseAt(m_lastAdvance)
{}

void RobotController::handleBytes(const QByteArray &bytes)
{
    const auto now = m_clock->now();
    // A command that arrives after the deadline must not undo the expiry that
    // happened before it.
    advanceTo(now);
    for (const char byte : bytes) {
        if (const auto motion = CommandParser::parse(byte))
            apply(*motion, now);
    }
}

void RobotController::tick()
{
    const auto now = m_clock->now();
    advanceTo(now);
    if (now >= m_nextPoseAt) {
        emit statusLine(StatusFormatter::pose(m_model.pose()));
        // Keep to the schedule on average, but never try to catch up after a stall.
        m_nextPoseAt += m_poseInterval;
        if (m_nextPoseAt <= now)
            m_nextPoseAt = now + m_poseInterval;
    }
    emit stateChanged();
}

void RobotController::apply(Motion motion, std::chrono::milliseconds now)
{
    if (motion == Motion::Stop) {
        m_watchdog.disarm();
        stop(StopReason::Command);
        return;
    }
    m_watchdog.kick(now);
    if (motion == m_model.motion())
        return;
    m_model.setMotion(motion);
    emit statusLine(StatusFormatter::drive(motion));
    emit stateChanged();
}

void RobotController::advanceTo(std::chrono::milliseconds now)
{
    const auto deadline = m_watchdog.deadline();
    const bool expired = deadline && *deadline <= now;
    // The robot only travels until the deadline, however late we notice it.
    const auto until = expired ? std::max(*deadline, m_lastAdvance) : now;
    if (until > m_lastAdvance)
        m_model.advance(until - m_lastAdvance);
    m_lastAdvance = std::max(now, m_lastAdvance);
    if (expired) {
        m_watchdog.disarm();
        stop(StopReason::Watchdog);
    }
}

void RobotController::stop(StopReason reason)
{
    // Repeated stops while standing still say nothing; events mark changes.
    if (m_model.motion() == Motion::Stop)
        return;
    m_model.setMotion(Motion::Stop);
    emit statusLine(StatusFormatter::stop(reason));
    emit stateChanged();
}
