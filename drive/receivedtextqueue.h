#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

// Received text on its way to the log, handed over at most once per frame and
// only when the log has taken the previous batch. A robot that floods the line
// then costs the window one bounded append per frame, not one per arrival, and
// text piles up here, bounded, instead of in the window's event queue.
class ReceivedTextQueue : public QObject
{
    Q_OBJECT

public:
    // Every other frame of a 60 Hz screen: smooth to read, and half the
    // repaints of following every frame.
    static constexpr std::chrono::milliseconds FramePeriod{33};
    // Two frames' worth even at a hundred times the robot's line rate.
    static constexpr qsizetype MaxBatchCharacters = 16384;
    static constexpr qsizetype MaxBatchLines = 1024;
    // The most received text the console keeps, here and in the log alike:
    // anything older would be dropped there anyway. At 57600 baud (5760
    // characters/s) this is about three minutes of nonstop output and hours
    // of ordinary replies, in about 15 MB of log.
    static constexpr int MaxQueuedCharacters = 1'000'000;

    explicit ReceivedTextQueue(QObject *parent = nullptr);

    void append(const QString &text);
    // The log has taken the last batch.
    void batchShown();
    qsizetype queuedCharacters() const { return m_size; }

signals:
    void batchReady(const QString &text);

private:
    void scheduleDelivery();
    void deliver();
    QString take(qsizetype characters);
    void dropOldest(qsizetype characters);

    // Arrivals as they came, oldest first; m_offset characters of the first
    // one are already gone. Kept whole so that neither taking a batch nor
    // dropping the oldest moves the rest.
    QList<QString> m_queued;
    qsizetype m_offset = 0;
    qsizetype m_size = 0;
    bool m_awaitingLog = false;
    QTimer m_frame{this};
};
