#include "plaintooltip.h"

#include <QTextDocument>

QString PlainToolTip::fromPlainText(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
}
