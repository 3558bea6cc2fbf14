#include "elidinglabel.h"

#include "plaintooltip.h"

#include <QEvent>
#include <QFontMetrics>
#include <QTextLayout>

#include <algorithm>

namespace {
// Enough for the drive words, the port line and a trouble or two.
constexpr qsizetype FittedTextsKept = 16;

struct Line
{
    qsizetype start; // in the whole text
    qsizetype length;
};

// The lines text breaks into at width, paragraph by paragraph.
QList<Line> wrappedLines(const QString &text, const QFont &font, int width,
                         QTextOption::WrapMode mode, qreal *widest = nullptr)
{
    QList<Line> lines;
    QTextOption option;
    option.setWrapMode(mode);
    qsizetype paragraphStart = 0;
    for (const QString &paragraph : text.split(u'\n')) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines.append({paragraphStart + line.textStart(), line.textLength()});
            if (widest)
                *widest = std::max(*widest, line.naturalTextWidth());
        }
        layout.endLayout();
        paragraphStart += paragraph.size() + 1;
    }
    return lines;
}
} // namespace

ElidingLabel::ElidingLabel(QWidget *parent)
    : QLabel(parent)
{
    setWordWrap(true);
    // Device paths, error texts: words from outside, never markup.
    setTextFormat(Qt::PlainText);
}

void ElidingLabel::setFullText(const QString &text)
{
    m_fullText = text;
    setToolTip(PlainToolTip::fromPlainText(text));
    fit();
}

void ElidingLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    m_fitted.clear();
    fit();
}

void ElidingLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ContentsRectChange) {
        m_fitted.clear();
        fit();
    }
}

void ElidingLabel::fit()
{
    if (const auto known = m_fitted.constFind(m_fullText); known != m_fitted.cend()) {
        if (text() != *known)
            setText(*known);
        return;
    }
    if (m_fitted.size() >= FittedTextsKept)
        m_fitted.clear();
    fitAnew();
    m_fitted.insert(m_fullText, text());
}

void ElidingLabel::fitAnew()
{
    QString shown = m_fullText;
    // The label's own layout has the last word on whether it fits; fewer
    // lines are tried until one does, or one line is left.
    int lineCount = std::max(1, contentsRect().height() / fontMetrics().lineSpacing());
    for (;;) {
        if (text() != shown)
            setText(shown);
        if (lineCount < 1 || shownTextFits())
            return;
        shown = firstLinesElided(lineCount--);
    }
}

bool ElidingLabel::shownTextFits() const
{
    // A word longer than the box is not wrapped by the label but runs out.
    qreal widest = 0;
    wrappedLines(text(), font(), textWidth(), QTextOption::WordWrap, &widest);
    return widest <= textWidth() && heightForWidth(width()) <= height();
}

QString ElidingLabel::firstLinesElided(int lineCount) const
{
    // Broken anywhere if need be: a long device path fills its lines.
    const QList<Line> lines =
        wrappedLines(m_fullText, font(), textWidth(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    QStringList shown;
    for (const Line &line : lines) {
        if (shown.size() == lineCount - 1 && lines.size() > lineCount) {
            QString rest = m_fullText.mid(line.start);
            rest.replace(u'\n', u' ');
            shown.append(fontMetrics().elidedText(rest, Qt::ElideRight, textWidth()));
            break;
        }
        shown.append(m_fullText.mid(line.start, line.length).trimmed());
    }
    return shown.join(u'\n');
}

int ElidingLabel::textWidth() const
{
    return contentsRect().width() - 2 * margin();
}
