#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

class Clock;

// Tells whether the window that steers is still alive while it matters, that
// is while the robot is being driven: it then asks for a sign of life every
// ping period, and a window silent past the limit is frozen; the operator's
// stop may be stuck in it. Nothing wakes up while no one drives.
class WindowWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds PingPeriod{50};
    static constexpr std::chrono::milliseconds SilenceLimit{250};

    // The clock must outlive the watch.
    explicit WindowWatch(const Clock &clock, QObject *parent = nullptr);

    // Starts asking when the robot starts being driven (the window was alive
    // just now: it asked for that) and stops when it no longer is.
    void setWatching(bool watching);
    // The window's answer to ping().
    void answered();
    // Declares the window frozen now if it has been silent past the limit,
    // without waiting for the next ping: after the whole process stood still
    // (stopped, suspended), the first thing to run may be a tick.
    void checkSilence();

signals:
    // Answer through answered(), from the window's thread.
    void ping();
    void frozen();
    void thawed();

private:
    void check();

    const Clock &m_clock;
    // Runs exactly while the robot is being driven.
    QTimer m_pinger{this};
    std::chrono::milliseconds m_lastAnswer{};
    bool m_frozen = false;
};
