#pragma once

#include "receivedarrival.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QTime>

#include <chrono>
#include <functional>

// A run of the log's text and what it is, so the view can set it apart.
struct LogPiece
{
    enum class Role : quint8 { Received, Time, Event };
    Role role = Role::Received;
    QString text;
};
using LogPieces = QList<LogPiece>;

// The local wall time a kept monotonic time reads as.
using ClockFace = std::function<QTime(std::chrono::milliseconds)>;

// Turns kept arrivals into the text form of the log, one arrival after the
// other: the received text as it is, or with each line led by the time its
// first byte came, and with the console's events as lines of their own. It
// remembers only whether the text so far ends a line, so the same arrivals
// give the same text whether drawn at once or as they come.
class LogRenderer
{
public:
    // Leads every event line. A received line that begins with it is shown
    // behind a space wherever events show, so it is never taken for one.
    static constexpr char16_t EventMark = u'\u2014';

    struct Form
    {
        bool time = false;
        bool events = false;
    };

    explicit LogRenderer(ClockFace clockFace);

    void setForm(Form form) { m_form = form; }
    Form form() const { return m_form; }
    void setClockFace(ClockFace clockFace) { m_clockFace = std::move(clockFace); }
    const ClockFace &clockFace() const { return m_clockFace; }
    // Starts again, at the start of a line or inside one.
    void restart(bool atLineStart) { m_atLineStart = atLineStart; }

    void render(const ReceivedArrival &arrival, LogPieces *pieces);

    // offset  hex bytes  |printable|, sixteen bytes a row, rows starting at
    // multiples of sixteen; offset is that of bytes' first one. A row begun
    // before it is padded, and an unfinished last row has no line break.
    static QString hexRows(qint64 offset, QByteArrayView bytes);

private:
    QString stamp(std::chrono::milliseconds time) const;

    ClockFace m_clockFace;
    Form m_form;
    bool m_atLineStart = true;
};
