#include "logrenderer.h"

namespace {
constexpr int RowBytes = 16;
constexpr QLatin1StringView StampFormat("hh:mm:ss.zzz");

void add(LogPieces *pieces, LogPiece::Role role, const QString &text)
{
    // Runs of one role in a row go as one, so the view inserts fewer pieces.
    if (!pieces->isEmpty() && pieces->last().role == role)
        pieces->last().text += text;
    else
        pieces->append({role, text});
}
} // namespace

LogRenderer::LogRenderer(ClockFace clockFace)
    : m_clockFace(std::move(clockFace))
{}

QString LogRenderer::stamp(std::chrono::milliseconds time) const
{
    return m_clockFace(time).toString(StampFormat) + u' ';
}

void LogRenderer::render(const ReceivedArrival &arrival, LogPieces *pieces)
{
    if (arrival.kind == ReceivedArrival::Kind::Event) {
        if (!m_form.events)
            return;
        // An event never shares a line with received text.
        if (!m_atLineStart)
            add(pieces, LogPiece::Role::Received, QStringLiteral("\n"));
        QString line = QChar(EventMark) + u' ';
        if (m_form.time)
            line += stamp(arrival.time);
        add(pieces, LogPiece::Role::Event, line + arrival.text + u'\n');
        m_atLineStart = true;
        return;
    }
    const QString &text = arrival.text;
    if (text.isEmpty())
        return;
    if (!m_form.time && !m_form.events) {
        add(pieces, LogPiece::Role::Received, text);
        m_atLineStart = text.endsWith(u'\n');
        return;
    }
    for (qsizetype from = 0; from < text.size();) {
        if (m_atLineStart) {
            if (m_form.time)
                add(pieces, LogPiece::Role::Time,
                    stamp(from == 0 ? arrival.leadTime : arrival.time));
            else if (m_form.events && text.at(from) == EventMark)
                add(pieces, LogPiece::Role::Received, QStringLiteral(" "));
        }
        const qsizetype lineBreak = text.indexOf(u'\n', from);
        const qsizetype end = lineBreak < 0 ? text.size() : lineBreak + 1;
        add(pieces, LogPiece::Role::Received, text.sliced(from, end - from));
        m_atLineStart = lineBreak >= 0;
        from = end;
    }
}

QString LogRenderer::hexRows(qint64 offset, QByteArrayView bytes)
{
    QString rows;
    const qint64 end = offset + bytes.size();
    for (qint64 row = offset - offset % RowBytes; row < end; row += RowBytes) {
        rows += QStringLiteral("%1  ").arg(row, 8, 16, QLatin1Char('0'));
        QString printable;
        for (int column = 0; column < RowBytes; ++column) {
            const qint64 at = row + column;
            if (at < offset || at >= end) {
                rows += QLatin1StringView("   ");
                if (at < offset)
                    printable += u' ';
            } else {
                const auto byte = static_cast<uchar>(bytes[at - offset]);
                rows += QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0'));
                printable += byte >= 0x20 && byte < 0x7f ? QChar(byte) : QChar(u'.');
            }
            if (column == RowBytes / 2 - 1)
                rows += u' ';
        }
        rows += QLatin1StringView(" |") + printable + u'|';
        if (row + RowBytes <= end)
            rows += u'\n';
    }
    return rows;
}
