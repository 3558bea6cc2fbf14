#include "receivedtextqueue.h"

ReceivedTextQueue::ReceivedTextQueue(QObject *parent)
    : QObject(parent)
{
    m_frame.setSingleShot(true);
    m_frame.setInterval(FramePeriod);
    connect(&m_frame, &QTimer::timeout, this, &ReceivedTextQueue::deliver);
}

void ReceivedTextQueue::append(const QString &text)
{
    if (text.isEmpty())
        return;
    m_queued.append(text);
    m_size += text.size();
    if (m_size > MaxQueuedCharacters)
        dropOldest(m_size - MaxQueuedCharacters);
    scheduleDelivery();
}

void ReceivedTextQueue::batchShown()
{
    m_awaitingLog = false;
    scheduleDelivery();
}

void ReceivedTextQueue::scheduleDelivery()
{
    if (!m_awaitingLog && m_size > 0 && !m_frame.isActive())
        m_frame.start();
}

void ReceivedTextQueue::deliver()
{
    if (m_awaitingLog || m_size == 0)
        return;
    m_awaitingLog = true;
    emit batchReady(take(MaxBatchCharacters));
}

QString ReceivedTextQueue::take(qsizetype characters)
{
    QString batch;
    batch.reserve(qMin(characters, m_size));
    qsizetype lines = 0;
    while (!m_queued.isEmpty() && batch.size() < characters && lines < MaxBatchLines) {
        const QString &oldest = m_queued.first();
        qsizetype count = qMin(oldest.size() - m_offset, characters - batch.size());
        // Each line costs the log far more than a character: a flood of
        // short lines is cut by lines.
        for (qsizetype i = 0; i < count; ++i) {
            if (oldest.at(m_offset + i) == u'\n' && ++lines == MaxBatchLines) {
                count = i + 1;
                break;
            }
        }
        // A surrogate pair goes out whole, in one batch.
        if (m_offset + count < oldest.size() && oldest.at(m_offset + count - 1).isHighSurrogate())
            --count;
        if (count == 0)
            break;
        batch += QStringView(oldest).mid(m_offset, count);
        m_offset += count;
        if (m_offset == oldest.size()) {
            m_queued.removeFirst();
            m_offset = 0;
        }
    }
    m_size -= batch.size();
    return batch;
}

void ReceivedTextQueue::dropOldest(qsizetype characters)
{
    m_size -= characters;
    characters += m_offset;
    while (characters >= m_queued.first().size()) {
        characters -= m_queued.first().size();
        m_queued.removeFirst();
    }
    m_offset = characters;
    // Never keep the second half of a surrogate pair.
    if (m_offset > 0 && m_queued.first().at(m_offset).isLowSurrogate()) {
        ++m_offset;
        --m_size;
        if (m_offset == m_queued.first().size()) {
            m_queued.removeFirst();
            m_offset = 0;
        }
    }
}
