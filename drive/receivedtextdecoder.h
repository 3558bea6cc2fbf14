#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

// Turns the bytes the robot sends, one arrival at a time, into text for the
// log. Arrivals are cut wherever the serial driver happened to cut them, so
// a character or a CR LF pair may straddle two of them.
class ReceivedTextDecoder
{
public:
    // Text for this arrival. An unfinished character at its end is held back
    // and shown with the arrival that completes (or breaks) it.
    QString decode(QByteArrayView bytes);

    // Forgets a half-received character or line break: for a new connection,
    // not for a cleared log.
    void reset();

private:
    // Stateless: Qt 6.4 drops the byte that breaks a sequence left open by an
    // earlier call ("\xE2\x82" then "A" loses the A), so the decoder is only
    // ever given whole sequences and the unfinished tail is kept here.
    // ConvertInitialBom: a leading BOM shows like any other instead of vanishing.
    QStringDecoder m_utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                    QStringDecoder::Flag::ConvertInitialBom};
    QByteArray m_unfinished;
    // The last arrival ended in CR: an LF opening this one belongs to the
    // same line break, which is already shown.
    bool m_afterCr = false;
};
