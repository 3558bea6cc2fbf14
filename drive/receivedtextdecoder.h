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
    // How a control byte shows: as its Unicode control picture (NUL as U+2400),
    // or, where no font on the system can draw those, as its ASCII name in
    // angle brackets (<NUL>), which any font can.
    enum class ControlForm { Picture, Name };

    // Every control picture decode() may show in the Picture form, for
    // finding out whether the log's font can draw them.
    static QString controlPictures();

    // Takes effect from the next decode(); a half-received character is kept.
    void setControlForm(ControlForm form);

    // Text for this arrival. An unfinished character at its end is held back
    // and shown with the arrival that completes (or breaks) it. LF is the one
    // line break in it: CR and CR LF become LF, the other controls show as
    // stand-ins, and whatever else the text engine would take as a break of
    // its own (paragraph separator, frame marks) as U+FFFD.
    QString decode(QByteArrayView bytes);

    // Forgets a half-received character or line break: for a new connection,
    // not for a cleared log.
    void reset();

    // The last decode() held back the start of a character.
    bool holdsPartialCharacter() const { return !m_unfinished.isEmpty(); }

private:
    // Stateless, and only ever given whole sequences: the unfinished tail is
    // kept here instead. Qt's own stateful UTF-8 decoding (seen in 6.4) ends a
    // sequence left open by an earlier decode() call with U+FFFD when the next
    // byte cannot continue it, and swallows that byte too: "\xE2\x82" then "A"
    // gives U+FFFD alone, and a whole character may go the same way. Within
    // one call it keeps the byte.
    // ConvertInitialBom: a leading BOM shows like any other instead of vanishing.
    QStringDecoder m_utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                    QStringDecoder::Flag::ConvertInitialBom};
    QByteArray m_unfinished;
    ControlForm m_controlForm = ControlForm::Picture;
    // The last arrival ended in CR: an LF opening this one belongs to the
    // same line break, which is already shown.
    bool m_afterCr = false;
};
