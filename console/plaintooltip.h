#pragma once

#include <QString>
#include <QTextDocument>

// Tooltips for words from outside (device paths, descriptions, reasons).
namespace PlainToolTip {

// text as a tooltip shows it: whole, with its own line breaks and no others.
// Qt word-wraps a tooltip it takes for markup and may then break a device
// path at its hyphens; text that Qt would take for markup is escaped and
// kept from wrapping.
inline QString fromPlainText(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
}

} // namespace PlainToolTip
