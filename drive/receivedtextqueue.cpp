#include "receivedtextqueue.h"

namespace {
// What an arrival costs the queue's bound: a control shown by its name takes
// more characters than bytes, a character of several bytes fewer.
qsizetype weightOf(const ReceivedArrival &arrival)
{
    return qMax(arrival.text.size(), arrival.bytes.size());
}

// Reads the link gathers once a period, or on the drive's ticks, may come a
// little short of a frame after the last batch; they go then, not on a
// wake-up of their own that little later.
constexpr std::chrono::milliseconds FrameSlack{10};
} // namespace

ReceivedTextQueue::ReceivedTextQueue(QObject *parent, std::chrono::milliseconds framePeriod)
    : QObject(parent)
    , m_framePeriod(framePeriod)
{
    m_frame.setSingleShot(true);
    connect(&m_frame, &QTimer::timeout, this, &ReceivedTextQueue::deliver);
}

void ReceivedTextQueue::append(ReceivedArrival arrival)
{
    // Bytes that are all the start of a character still show in the hex view.
    if (arrival.text.isEmpty() && arrival.bytes.isEmpty())
        return;
    m_size += weightOf(arrival);
    m_queued.append(std::move(arrival));
    // The oldest go first, whole; the newest always stays.
    while (m_size > MaxQueuedCharacters && m_queued.size() > 1) {
        m_size -= weightOf(m_queued.first());
        m_queued.removeFirst();
    }
    scheduleDelivery();
}

void ReceivedTextQueue::batchShown()
{
    m_awaitingLog = false;
    scheduleDelivery();
}

void ReceivedTextQueue::scheduleDelivery()
{
    if (m_awaitingLog || m_queued.isEmpty())
        return;
    // The frame counts from the last batch, so text after a quiet spell goes
    // at once and a stream goes on the wake-up that brought it. Still from
    // the event loop: the rest of the read joins the batch.
    using std::chrono::milliseconds;
    const milliseconds since =
        m_sinceDelivery.isValid() ? milliseconds(m_sinceDelivery.elapsed()) : m_framePeriod;
    const milliseconds wait = m_framePeriod - since;
    if (wait <= FrameSlack)
        m_frame.start(0);
    else if (!m_frame.isActive())
        m_frame.start(wait);
}

void ReceivedTextQueue::flush()
{
    m_frame.stop();
    m_awaitingLog = true;
    while (!m_queued.isEmpty())
        emit batchReady(take());
}

void ReceivedTextQueue::deliver()
{
    if (m_awaitingLog || m_queued.isEmpty())
        return;
    m_awaitingLog = true;
    m_sinceDelivery.start();
    emit batchReady(take());
}

ReceivedBatch ReceivedTextQueue::take()
{
    ReceivedBatch batch;
    qsizetype characters = 0;
    qsizetype lines = 0;
    // Each line costs the log far more than a character: a flood of short
    // lines is cut by lines. One arrival always goes, however large.
    while (!m_queued.isEmpty()) {
        const ReceivedArrival &oldest = m_queued.first();
        const qsizetype size = oldest.text.size();
        const qsizetype breaks = oldest.text.count(u'\n');
        if (!batch.isEmpty() &&
            (characters + size > MaxBatchCharacters || lines + breaks > MaxBatchLines))
            break;
        characters += size;
        lines += breaks;
        m_size -= weightOf(oldest);
        batch.append(m_queued.takeFirst());
    }
    return batch;
}
