#pragma once

#include "receivedarrival.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>

// Received text on its way to the log, handed over at most once per frame and
// only when the log has taken the previous batch. A robot that floods the line
// then costs the window one bounded append per frame, not one per arrival, and
// text piles up here, bounded, instead of in the window's event queue.
// Arrivals go whole, so that each keeps its bytes, its text and its time.
class ReceivedTextQueue : public QObject
{
    Q_OBJECT

public:
    // A person follows a scrolling log no better at more than ten updates a
    // second, and each update costs the window about a millisecond of layout,
    // painting and handing the picture over, however few lines it brings.
    // Text after a quiet spell goes at once.
    static constexpr std::chrono::milliseconds FramePeriod{100};
    // A frame's worth at a hundred times the robot's line rate (5760
    // characters/s, in lines of 30 or more), so that even then the log keeps
    // up.
    static constexpr qsizetype MaxBatchCharacters = 65536;
    static constexpr qsizetype MaxBatchLines = 2048;
    // The most bytes one arrival holds; a longer read is cut into arrivals
    // of this size, so that one of them never overruns a batch's limits.
    static constexpr qsizetype MaxArrivalBytes = 1024;
    // The most received text the console keeps, here and in the log alike:
    // anything older would be dropped there anyway. At 57600 baud (5760
    // characters/s) this is about three minutes of nonstop output and hours
    // of ordinary replies, in about 15 MB of log.
    static constexpr int MaxQueuedCharacters = 1'000'000;

    // A frame of zero hands each batch over on the next pass of the event loop.
    explicit ReceivedTextQueue(QObject *parent = nullptr,
                               std::chrono::milliseconds framePeriod = FramePeriod);

    void append(ReceivedArrival arrival);
    // The log has taken the last batch.
    void batchShown();
    // Nothing more will come: everything queued goes now, in batches within
    // the usual limits, without waiting for the log or a frame.
    void flush();
    // Characters or bytes, whichever an arrival has more of.
    qsizetype queuedCharacters() const { return m_size; }

signals:
    void batchReady(const ReceivedBatch &batch);

private:
    void scheduleDelivery();
    void deliver();
    ReceivedBatch take();

    QList<ReceivedArrival> m_queued;
    qsizetype m_size = 0;
    bool m_awaitingLog = false;
    const std::chrono::milliseconds m_framePeriod;
    QTimer m_frame{this};
    QElapsedTimer m_sinceDelivery;
};
