#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>

// One read from the link as the log keeps it, or one of the console's own
// events put in among them where it happened. Times are the drive thread's
// monotonic clock (SteadyClock), taken when the bytes were read, so that a
// busy window or a late batch does not move them.
struct ReceivedArrival
{
    enum class Kind : quint8 { Bytes, Event };

    Kind kind = Kind::Bytes;
    std::chrono::milliseconds time{0};
    // When the first byte of the text's first character was read: earlier
    // than time when that character began in an earlier read.
    std::chrono::milliseconds leadTime{0};
    // Exactly as read; empty for an event.
    QByteArray bytes;
    // The bytes as ReceivedTextDecoder shows them, or the event's words.
    QString text;
};

using ReceivedBatch = QList<ReceivedArrival>;
