#pragma once

#include <QObject>

#include <chrono>
#include <optional>

class Clock;

// Tells whether the window that steers is still alive while it matters, that
// is while the robot is being driven: it then asks for a sign of life about
// every ping period, and a window silent past the limit is frozen; the
// operator's stop may be stuck in it. It runs on the repeat ticks, which go
// exactly while the robot is driven, so it costs the drive thread no wake-up
// of its own.
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
    // One repeat tick, held or not, before its byte: the window is declared
    // frozen if it has been silent past the limit (after the whole process
    // stood still, stopped or suspended, a tick may be the first thing to
    // run), and asked again once a ping period has passed since it last was.
    void tick();

signals:
    // Answer through answered(), from the window's thread.
    void ping();
    void frozen();
    void thawed();

private:
    void checkSilence();

    const Clock &m_clock;
    bool m_watching = false;
    std::chrono::milliseconds m_lastAnswer{};
    std::optional<std::chrono::milliseconds> m_lastPing;
    bool m_frozen = false;
};
