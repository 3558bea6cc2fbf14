#include "loadwriter.h"

#include "benchconstants.h"
#include "robotline.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

#include <utility>

namespace {
// The same bytes for every build measured.
constexpr quint32 Seed = 57600;
} // namespace

LoadWriter::LoadWriter(RobotLine &line, QByteArray pattern, qint64 bytesPerSecond,
                       qint64 limitBytes)
    : m_line(line)
    , m_pattern(std::move(pattern))
    , m_bytesPerSecond(bytesPerSecond)
    , m_limit(limitBytes)
{}

LoadWriter::~LoadWriter()
{
    stop();
}

void LoadWriter::start()
{
    if (m_thread || m_pattern.isEmpty() || m_bytesPerSecond <= 0)
        return;
    m_thread.reset(QThread::create([this] { writeLoop(); }));
    m_thread->start();
}

void LoadWriter::stop()
{
    if (!m_thread)
        return;
    m_stopping.storeRelease(1);
    m_thread->wait();
    m_thread.reset();
}

void LoadWriter::writeLoop()
{
    QElapsedTimer clock;
    clock.start();
    qint64 offered = 0;
    while (!m_stopping.loadAcquire() && (m_limit == 0 || offered < m_limit)) {
        QThread::msleep(Bench::ChunkPeriod.count());
        // Paced by the clock, not by the sleeps, which a busy machine stretches.
        qint64 due = m_bytesPerSecond * clock.nsecsElapsed() / 1'000'000'000 - offered;
        if (m_limit > 0)
            due = qMin(due, m_limit - offered);
        if (due <= 0)
            continue;
        if (m_line.write(nextChunk(due), 0))
            m_taken.fetchAndAddRelease(due);
        else
            m_refused.fetchAndAddRelease(due);
        offered += due;
    }
    m_done.storeRelease(1);
}

QByteArray LoadWriter::nextChunk(qsizetype size)
{
    QByteArray chunk;
    chunk.reserve(size);
    while (chunk.size() < size) {
        const qsizetype n = qMin(size - chunk.size(), m_pattern.size() - m_offset);
        chunk.append(m_pattern.constData() + m_offset, n);
        m_offset = (m_offset + n) % m_pattern.size();
    }
    return chunk;
}

QByteArray LoadWriter::poseLines(qsizetype atLeast)
{
    QRandomGenerator random(Seed);
    QByteArray text;
    while (text.size() < atLeast) {
        const double x = random.bounded(-5000, 5000) / 1000.0;
        const double y = random.bounded(-5000, 5000) / 1000.0;
        const double heading = random.bounded(0, 3600) / 10.0;
        text += "pose x=" + QByteArray::number(x, 'f', 3) + " y=" + QByteArray::number(y, 'f', 3) +
                " heading=" + QByteArray::number(heading, 'f', 1) + "\r\n";
    }
    return text;
}

QByteArray LoadWriter::randomBytes(qsizetype size)
{
    QRandomGenerator random(Seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}
