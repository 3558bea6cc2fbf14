#include "robotline.h"

#include <QMutexLocker>
#include <QThread>

namespace {
// Only bounds how long the destructor waits for the reader to notice.
constexpr int PollSliceMs = 20;
} // namespace

RobotLine::RobotLine()
{
    m_clock.start();
    if (!isValid())
        return;
    m_reader.reset(QThread::create([this] { readLoop(); }));
    m_reader->start();
}

RobotLine::~RobotLine()
{
    if (m_reader) {
        m_stopping.storeRelaxed(1);
        m_reader->wait();
    }
}

qsizetype RobotLine::receivedCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_received.size();
}

QByteArray RobotLine::receivedSince(qsizetype mark) const
{
    QMutexLocker lock(&m_mutex);
    return m_received.mid(mark);
}

QList<qint64> RobotLine::arrivalsSince(qsizetype mark) const
{
    QMutexLocker lock(&m_mutex);
    return m_arrivals.mid(mark);
}

void RobotLine::readLoop()
{
    QByteArray bytes;
    while (!m_stopping.loadRelaxed()) {
        if (!waitForInput(PollSliceMs))
            continue;
        bytes.clear();
        // With nobody on the slave every wait ends at once with a hang-up;
        // without this pause the reader would spin.
        if (readInto(&bytes) == 0) {
            QThread::msleep(2);
            continue;
        }
        const qint64 stamp = m_clock.nsecsElapsed();
        QMutexLocker lock(&m_mutex);
        m_received += bytes;
        m_arrivals.insert(m_arrivals.size(), bytes.size(), stamp);
    }
}
