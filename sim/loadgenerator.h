#pragma once

#include <QByteArray>
#include <QObject>
#include <QRandomGenerator>

#include <chrono>

class Clock;
class QTimer;

// Extra traffic at a steady byte rate, for load-testing the console's log.
class LoadGenerator : public QObject
{
    Q_OBJECT

public:
    enum class Kind {
        Text,   // whole printable lines ending in CR LF
        Random, // any byte value: NULs, bare CRs and invalid UTF-8 included
    };

    static constexpr std::chrono::milliseconds PumpInterval{20};
    static constexpr int TextLineBytes = 64;
    // Keeps each write small enough for the endpoint's queue to take whole.
    static constexpr int MaxChunkBytes = 4096;
    // The most one pump makes, however much is owed: as much as the endpoint
    // holds. A pump that had to catch up with a high rate would otherwise
    // take longer than its interval and keep the simulator from its commands.
    static constexpr qint64 MaxPumpBytes = 64 * 1024;
    // The highest rate kept without loss even when every pump comes an
    // interval late.
    static constexpr qint64 MaxBytesPerSecond = MaxPumpBytes * 1000 / (2 * PumpInterval.count());

    LoadGenerator(Kind kind, qint64 bytesPerSecond, const Clock *clock, QObject *parent = nullptr);

    void start();
    // Emits whatever the rate allows since the last pump.
    void pump();

signals:
    void generated(const QByteArray &bytes);

private:
    QByteArray nextTextLine();
    QByteArray randomBytes(qsizetype count);
    qint64 maxCreditMilliBytes() const;

    Kind m_kind;
    qint64 m_bytesPerSecond;
    const Clock *m_clock;
    QTimer *m_timer;
    QRandomGenerator m_random;
    std::chrono::milliseconds m_lastPump{0};
    // Bytes owed, in thousandths so whole milliseconds of rate are never rounded away.
    qint64 m_creditMilliBytes = 0;
    int m_lineNumber = 0;
};
