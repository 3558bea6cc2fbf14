#include "loadgenerator.h"

#include "clock.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr qint64 MilliBytesPerByte = 1000;
constexpr int LineNumberModulo = 1000000; // keeps the number six digits wide
constexpr char Filler[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr int FillerLength = sizeof(Filler) - 1;

} // namespace

LoadGenerator::LoadGenerator(Kind kind, qint64 bytesPerSecond, const Clock *clock, QObject *parent)
    : QObject(parent)
    , m_kind(kind)
    , m_bytesPerSecond(bytesPerSecond)
    , m_clock(clock)
    , m_timer(new QTimer(this))
    , m_random(QRandomGenerator::global()->generate())
{
    m_timer->setInterval(PumpInterval);
    connect(m_timer, &QTimer::timeout, this, &LoadGenerator::pump);
}

void LoadGenerator::start()
{
    m_lastPump = m_clock->now();
    m_creditMilliBytes = 0;
    m_timer->start();
}

void LoadGenerator::pump()
{
    const auto now = m_clock->now();
    const qint64 elapsedMs = std::max<qint64>(0, (now - m_lastPump).count());
    m_lastPump = now;
    // After a stall, carry on at the rate rather than dumping the backlog at once.
    m_creditMilliBytes =
        std::min(m_creditMilliBytes + m_bytesPerSecond * elapsedMs, maxCreditMilliBytes());

    if (m_kind == Kind::Random) {
        qint64 owed = m_creditMilliBytes / MilliBytesPerByte;
        m_creditMilliBytes -= owed * MilliBytesPerByte;
        while (owed > 0) {
            const qsizetype count = std::min<qint64>(owed, MaxChunkBytes);
            emit generated(randomBytes(count));
            owed -= count;
        }
        return;
    }

    constexpr qint64 lineCost = TextLineBytes * MilliBytesPerByte;
    QByteArray chunk;
    while (m_creditMilliBytes >= lineCost) {
        chunk += nextTextLine();
        m_creditMilliBytes -= lineCost;
        if (chunk.size() + TextLineBytes > MaxChunkBytes) {
            emit generated(chunk);
            chunk.clear();
        }
    }
    if (!chunk.isEmpty())
        emit generated(chunk);
}

QByteArray LoadGenerator::nextTextLine()
{
    const int number = m_lineNumber;
    m_lineNumber = (m_lineNumber + 1) % LineNumberModulo;
    QByteArray line = "noise " + QByteArray::number(number).rightJustified(6, '0') + ' ';
    const int fillerBytes = TextLineBytes - static_cast<int>(line.size()) - 2;
    for (int i = 0; i < fillerBytes; ++i)
        line += Filler[(number + i) % FillerLength];
    return line + "\r\n";
}

QByteArray LoadGenerator::randomBytes(qsizetype count)
{
    QByteArray bytes;
    bytes.reserve(count + sizeof(quint32));
    while (bytes.size() < count) {
        const quint32 word = m_random.generate();
        bytes.append(reinterpret_cast<const char *>(&word), sizeof word);
    }
    bytes.truncate(count);
    return bytes;
}

qint64 LoadGenerator::maxCreditMilliBytes() const
{
    // At least one whole line, or a slow text flood would never send anything.
    const qint64 bytes = std::min(m_bytesPerSecond, MaxPumpBytes);
    return std::max<qint64>(bytes, TextLineBytes) * MilliBytesPerByte;
}
