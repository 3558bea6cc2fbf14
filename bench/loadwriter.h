#pragma once

#include <QAtomicInteger>
#include <QByteArray>

#include <memory>

class QThread;
class RobotLine;

// The robot talking: writes a repeating pattern into the line at a steady
// pace from its own thread. It never waits for the console: what the line
// does not take at once is counted as refused and not sent again, so a
// console that stops reading cannot hold up the bench.
class LoadWriter
{
public:
    // limitBytes 0: until stop().
    LoadWriter(RobotLine &line, QByteArray pattern, qint64 bytesPerSecond, qint64 limitBytes = 0);
    ~LoadWriter();
    LoadWriter(const LoadWriter &) = delete;
    LoadWriter &operator=(const LoadWriter &) = delete;

    void start();
    void stop();
    bool isDone() const { return m_done.loadAcquire(); }

    // Bytes of chunks taken whole; a chunk taken only in part counts as refused.
    qint64 bytesTaken() const { return m_taken.loadAcquire(); }
    qint64 bytesRefused() const { return m_refused.loadAcquire(); }

    // CR LF lines as the robot reports its pose, at least atLeast bytes of them.
    static QByteArray poseLines(qsizetype atLeast);
    static QByteArray randomBytes(qsizetype size);

private:
    void writeLoop();
    QByteArray nextChunk(qsizetype size);

    RobotLine &m_line;
    const QByteArray m_pattern;
    const qint64 m_bytesPerSecond;
    const qint64 m_limit;
    qsizetype m_offset = 0;

    QAtomicInteger<qint64> m_taken{0};
    QAtomicInteger<qint64> m_refused{0};
    QAtomicInteger<int> m_stopping{0};
    QAtomicInteger<int> m_done{0};
    std::unique_ptr<QThread> m_thread;
};
