#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// Tells whether the window that steers is still alive. It asks for a sign of
// life every ping period; a window that has answered once and then stays
// silent past the limit is frozen, and the operator's stop may be stuck in it.
class WindowWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds PingPeriod{50};
    static constexpr std::chrono::milliseconds SilenceLimit{250};

    explicit WindowWatch(QObject *parent = nullptr);

    bool isFrozen() const { return m_frozen; }

    // The window's answer to ping().
    void answered();
    // Stops asking, for good: the window is going away.
    void stop();

signals:
    // Answer through answered(), from the window's thread.
    void ping();
    void frozen();
    void thawed();

private:
    void check();

    QTimer m_pinger{this};
    QElapsedTimer m_sinceAnswer;
    bool m_frozen = false;
};
