#include "receivedlog.h"

#include "receivedlogview.h"

#include <QTime>

#include <memory>

namespace {
// Arrivals that add to an open line without starting one are kept as one,
// so a robot that trickles its lines does not cost an arrival per byte; up
// to this size, so that dropping the oldest moves little.
constexpr qsizetype MaxJoinedCharacters = 4096;

constexpr int HexRowBytes = 16;

constexpr std::chrono::milliseconds LocalTimeRefresh{1000};
constexpr qint64 MSecsPerDay = 24 * 60 * 60 * 1000;

// The local wall time the monotonic clock's readings stand for. Asking the
// system for the local time has it look at its time zone file every time,
// which a flood of stamped lines would pay per line: the offset is taken
// again once a second instead, so a change of the clock shows within that.
// Kept arrivals from before such a change (or one of summer time) are drawn
// again with the offset of now.
ClockFace localClockFace()
{
    struct Anchor
    {
        std::chrono::milliseconds monotonic{-1};
        QTime local;
    };
    return [anchor = std::make_shared<Anchor>()](std::chrono::milliseconds monotonic) {
        const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        if (anchor->monotonic.count() < 0 || now - anchor->monotonic >= LocalTimeRefresh) {
            anchor->monotonic = now;
            anchor->local = QTime::currentTime();
        }
        // Only the time of day shows: whole days apart are dropped first.
        return anchor->local.addMSecs(int((monotonic - anchor->monotonic).count() % MSecsPerDay));
    };
}

bool startsNoLineInside(const QString &text)
{
    const qsizetype lineBreak = text.indexOf(u'\n');
    return lineBreak < 0 || lineBreak == text.size() - 1;
}

QString joined(const LogPieces &pieces)
{
    QString text;
    for (const LogPiece &piece : pieces)
        text += piece.text;
    return text;
}
} // namespace

ReceivedLog::ReceivedLog(ReceivedLogView *view)
    : QObject(view)
    , m_view(view)
    , m_renderer(localClockFace())
    , m_tap(m_renderer.clockFace())
{
    setObjectName(QStringLiteral("receivedLog"));
}

void ReceivedLog::append(const ReceivedBatch &batch)
{
    const qint64 shownEnd = m_endByte;
    LogPieces pieces;
    LogPieces tapped;
    for (const ReceivedArrival &arrival : batch) {
        keep(arrival);
        if (!m_hex)
            m_renderer.render(arrival, &pieces);
        if (m_tapped)
            m_tap.render(arrival, &tapped);
    }
    trimOldest();
    if (m_hex)
        appendHex(shownEnd);
    else
        m_view->appendPieces(pieces);
    if (m_tapped && !tapped.isEmpty())
        emit textTapped(joined(tapped));
}

void ReceivedLog::keep(const ReceivedArrival &arrival)
{
    m_keptCharacters += arrival.text.size();
    m_keptBytes += arrival.bytes.size();
    m_endByte += arrival.bytes.size();
    if (!m_kept.isEmpty()) {
        ReceivedArrival &last = m_kept.last();
        if (arrival.kind == ReceivedArrival::Kind::Bytes &&
            last.kind == ReceivedArrival::Kind::Bytes && !last.text.isEmpty() &&
            !last.text.endsWith(u'\n') && startsNoLineInside(arrival.text) &&
            last.text.size() + arrival.text.size() <= MaxJoinedCharacters &&
            last.bytes.size() + arrival.bytes.size() <= MaxJoinedCharacters) {
            last.text += arrival.text;
            last.bytes += arrival.bytes;
            return;
        }
    }
    m_kept.append(arrival);
}

void ReceivedLog::trimOldest()
{
    while (!m_kept.isEmpty() && (m_keptCharacters > MaxKeptCharacters ||
                                 m_keptBytes > MaxKeptBytes || m_kept.size() > MaxKeptArrivals)) {
        ReceivedArrival &oldest = m_kept.first();
        qsizetype textCut =
            qBound<qsizetype>(0, m_keptCharacters - MaxKeptCharacters, oldest.text.size());
        qsizetype byteCut = qBound<qsizetype>(0, m_keptBytes - MaxKeptBytes, oldest.bytes.size());
        // Never keep the second half of a surrogate pair.
        if (textCut > 0 && textCut < oldest.text.size() && oldest.text.at(textCut).isLowSurrogate())
            ++textCut;
        // Too many arrivals, or nothing of this one over the bounds: it goes whole.
        if (m_kept.size() > MaxKeptArrivals || (textCut == 0 && byteCut == 0) ||
            oldest.kind == ReceivedArrival::Kind::Event) {
            textCut = oldest.text.size();
            byteCut = oldest.bytes.size();
        }
        if (oldest.kind == ReceivedArrival::Kind::Bytes && textCut > 0)
            m_startsMidLine = oldest.text.at(textCut - 1) != u'\n';
        m_keptCharacters -= textCut;
        m_keptBytes -= byteCut;
        m_firstByte += byteCut;
        if (textCut == oldest.text.size() && byteCut == oldest.bytes.size()) {
            m_kept.removeFirst();
        } else {
            oldest.text.remove(0, textCut);
            oldest.bytes.remove(0, byteCut);
        }
    }
}

void ReceivedLog::clear()
{
    m_kept.clear();
    m_keptCharacters = 0;
    m_keptBytes = 0;
    m_firstByte = 0;
    m_endByte = 0;
    m_startsMidLine = false;
    m_renderer.restart(true);
    m_view->clearLog();
}

void ReceivedLog::setShowTime(bool show)
{
    if (m_form.time == show)
        return;
    m_form.time = show;
    redraw();
}

void ReceivedLog::setShowEvents(bool show)
{
    if (m_form.events == show)
        return;
    m_form.events = show;
    redraw();
}

void ReceivedLog::setShowHex(bool show)
{
    if (m_hex == show)
        return;
    m_hex = show;
    redraw();
}

void ReceivedLog::setClockFace(ClockFace clockFace)
{
    m_renderer.setClockFace(clockFace);
    m_tap.setClockFace(std::move(clockFace));
}

void ReceivedLog::setTextTapped(bool tapped)
{
    m_tapped = tapped;
    m_tap.setForm(m_form);
    m_tap.restart(true);
}

void ReceivedLog::redraw()
{
    m_renderer.setForm(m_form);
    // The recording's text follows the switch from its next line on.
    m_tap.setForm(m_form);
    m_view->clearLog();
    if (m_hex) {
        // Only as many rows as the box keeps (a row is 79 characters with its
        // break): more would be laid out only to be dropped.
        const qint64 fitting = qint64(ReceivedLogView::MaxLogCharacters / 80) * HexRowBytes;
        const qint64 from = qMax(m_firstByte, m_endByte - fitting);
        m_view->appendPieces(
            {{LogPiece::Role::Received, LogRenderer::hexRows(from, keptBytesFrom(from))}});
    } else {
        m_renderer.restart(!m_startsMidLine);
        LogPieces pieces;
        for (const ReceivedArrival &arrival : std::as_const(m_kept))
            m_renderer.render(arrival, &pieces);
        m_view->appendPieces(pieces);
    }
    emit formChanged();
}

void ReceivedLog::appendHex(qint64 shownEnd)
{
    if (shownEnd == m_endByte && shownEnd != m_firstByte)
        return;
    // The unfinished last row is drawn again with the bytes that continue it.
    const qint64 rowStart = qMax(m_firstByte, shownEnd - shownEnd % HexRowBytes);
    const qsizetype shownOfRow = shownEnd > m_firstByte ? shownEnd - rowStart : 0;
    const QString openRow =
        shownOfRow > 0 ? LogRenderer::hexRows(rowStart, keptBytesFrom(rowStart).first(shownOfRow))
                       : QString();
    m_view->appendPieces(
        {{LogPiece::Role::Received, LogRenderer::hexRows(rowStart, keptBytesFrom(rowStart))}},
        openRow.size());
}

QByteArray ReceivedLog::keptBytesFrom(qint64 offset) const
{
    QByteArray bytes;
    qint64 end = m_endByte;
    qsizetype first = m_kept.size();
    while (first > 0 && end > offset) {
        --first;
        end -= m_kept.at(first).bytes.size();
    }
    for (qsizetype i = first; i < m_kept.size(); ++i)
        bytes += m_kept.at(i).bytes;
    return bytes.last(qMin<qint64>(bytes.size(), m_endByte - offset));
}
