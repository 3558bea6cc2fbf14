#include "receivedtextdecoder.h"

namespace {
constexpr char16_t FirstControlPicture = 0x2400; // U+2400 + code for C0 controls
constexpr char16_t DeletePicture = 0x2421;
constexpr char16_t DeleteCharacter = 0x7f;
constexpr char16_t FirstPrintable = 0x20;
constexpr qsizetype MaxSequenceBytes = 4;
constexpr char16_t Replacement = 0xfffd;

// The ASCII names of the C0 controls, by code.
constexpr const char *ControlNames[FirstPrintable] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
constexpr const char *DeleteName = "DEL";

// Tab keeps its meaning; CR and LF end lines. Every other control would end
// or garble the line, so it is shown by a visible stand-in.
bool shownAsStandIn(char16_t code)
{
    return (code < FirstPrintable && code != u'\t' && code != u'\n' && code != u'\r') ||
           code == DeleteCharacter;
}

QChar pictureOf(char16_t control)
{
    return QChar(control == DeleteCharacter ? DeletePicture : FirstControlPicture + control);
}

QLatin1String nameOf(char16_t control)
{
    return QLatin1String(control == DeleteCharacter ? DeleteName : ControlNames[control]);
}

// Code points the log's text engine gives a meaning of their own: an object
// placeholder, line and paragraph separators, frame markers (and the other
// noncharacters). As text they would split lines or pile up costly
// placeholders, so they show as the replacement symbol.
bool specialToTextEngine(char16_t code)
{
    return code == 0xfffc || code == 0x2028 || code == 0x2029 ||
           (code >= 0xfdd0 && code <= 0xfdef) || code == 0xfffe || code == 0xffff;
}

// Bytes at the end of `bytes` that start a UTF-8 sequence still missing its
// last bytes, so a later arrival may complete it; 0 if there are none.
qsizetype unfinishedTailBytes(QByteArrayView bytes)
{
    for (qsizetype back = 1; back < MaxSequenceBytes && back <= bytes.size(); ++back) {
        const auto byte = static_cast<uchar>(bytes[bytes.size() - back]);
        if ((byte & 0xc0) == 0x80)
            continue; // continuation byte: the lead is further back
        // Only C2..F4 can lead a valid sequence; any other byte is decided now.
        const qsizetype length = byte >= 0xc2 && byte <= 0xdf   ? 2
                                 : byte >= 0xe0 && byte <= 0xef ? 3
                                 : byte >= 0xf0 && byte <= 0xf4 ? 4
                                                                : 1;
        return length > back ? back : 0;
    }
    return 0;
}
} // namespace

QString ReceivedTextDecoder::controlPictures()
{
    QString pictures;
    for (char16_t code = 0; code <= DeleteCharacter; ++code) {
        if (shownAsStandIn(code))
            pictures += pictureOf(code);
    }
    return pictures;
}

void ReceivedTextDecoder::setControlForm(ControlForm form)
{
    m_controlForm = form;
}

QString ReceivedTextDecoder::decode(QByteArrayView bytes)
{
    QByteArray joined;
    QByteArrayView input = bytes;
    if (!m_unfinished.isEmpty()) {
        joined = m_unfinished;
        joined.append(bytes);
        input = joined;
    }
    const qsizetype tail = unfinishedTailBytes(input);
    const QString decoded = m_utf8.decode(input.first(input.size() - tail));
    m_unfinished = input.last(tail).toByteArray();

    QString shown;
    shown.reserve(decoded.size());
    for (const QChar ch : decoded) {
        const char16_t code = ch.unicode();
        const bool afterCr = m_afterCr;
        m_afterCr = false;
        if (code == u'\r') {
            // Broken at once, so a line ended by a lone CR does not wait for
            // a byte that may never come.
            shown += u'\n';
            m_afterCr = true;
        } else if (code == u'\n') {
            if (!afterCr)
                shown += u'\n';
        } else if (shownAsStandIn(code)) {
            if (m_controlForm == ControlForm::Picture) {
                shown += pictureOf(code);
            } else {
                shown += u'<';
                shown += nameOf(code);
                shown += u'>';
            }
        } else if (specialToTextEngine(code)) {
            shown += QChar(Replacement);
        } else {
            shown += ch;
        }
    }
    return shown;
}

void ReceivedTextDecoder::reset()
{
    m_unfinished.clear();
    m_afterCr = false;
}
