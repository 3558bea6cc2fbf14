#include "receivedlogview.h"

#include <QScrollBar>
#include <QTextBlock>

namespace {
// Characters at which inserted text starts a new block in the document.
bool startsBlock(QChar ch)
{
    constexpr char16_t kFrameStart = 0xfdd0;
    constexpr char16_t kFrameEnd = 0xfdd1;
    return ch == u'\n' || ch == u'\r' || ch == QChar::ParagraphSeparator || ch == kFrameStart ||
           ch == kFrameEnd;
}

constexpr int trimmedSize(int limit)
{
    return static_cast<int>(qint64(limit) * ReceivedLogView::kTrimToPercent / 100);
}
} // namespace

ReceivedLogView::ReceivedLogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    // An undo stack would keep every received character alive.
    setUndoRedoEnabled(false);
}

void ReceivedLogView::appendReceived(const QString &text)
{
    if (text.isEmpty())
        return;
    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    const bool following = vertical->value() == vertical->maximum();
    const int top = vertical->value();
    const int left = horizontal->value();
    const QTextCursor caret = textCursor();
    const int anchor = caret.anchor();
    const int position = caret.position();

    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(withLinesBroken(text));

    // A caret at the very end is carried past the insertion; put it back.
    const QTextCursor carried = textCursor();
    if (carried.anchor() != anchor || carried.position() != position)
        restoreCaret(anchor, position);

    const int droppedLines = trimOldest();
    if (following) {
        vertical->setValue(vertical->maximum());
    } else {
        vertical->setValue(qMax(0, top - droppedLines));
        horizontal->setValue(left);
    }
}

void ReceivedLogView::clearLog()
{
    clear();
}

QString ReceivedLogView::withLinesBroken(const QString &text) const
{
    int lineLength = document()->lastBlock().length() - 1;
    QString broken;
    broken.reserve(text.size() + text.size() / kMaxLineCharacters + 1);
    for (const QChar ch : text) {
        if (startsBlock(ch)) {
            lineLength = 0;
        } else if (!ch.isLowSurrogate()) {
            // A surrogate pair goes on one line, whole.
            const int width = ch.isHighSurrogate() ? 2 : 1;
            if (lineLength + width > kMaxLineCharacters) {
                broken += u'\n';
                lineLength = 0;
            }
            lineLength += width;
        }
        broken += ch;
    }
    return broken;
}

void ReceivedLogView::restoreCaret(int anchor, int position)
{
    QTextCursor caret = textCursor();
    caret.setPosition(anchor);
    caret.setPosition(position, QTextCursor::KeepAnchor);
    // This scrolls to the caret; appendReceived() sets the scroll position
    // afterwards.
    setTextCursor(caret);
}

int ReceivedLogView::trimOldest()
{
    QTextDocument *doc = document();
    // characterCount() includes the final paragraph separator, which stays.
    const int characters = doc->characterCount() - 1;
    const int lines = doc->blockCount();
    if (characters <= kMaxLogCharacters && lines <= kMaxLogLines)
        return 0;

    int cut = 0;
    if (characters > kMaxLogCharacters)
        cut = characters - trimmedSize(kMaxLogCharacters);
    if (lines > kMaxLogLines)
        cut = qMax(cut, doc->findBlockByNumber(lines - trimmedSize(kMaxLogLines)).position());
    const QTextBlock firstKept = doc->findBlock(cut);
    const int droppedBlocks = firstKept.blockNumber();
    const int droppedLines = firstKept.firstLineNumber();
    int partial = cut - firstKept.position();

    if (droppedBlocks > 0) {
        // Whole lines go through the document's own block limit: only text
        // it drops itself has its line breaks' memory reclaimed, so a flood
        // of empty lines would otherwise grow the document forever.
        doc->setMaximumBlockCount(lines - droppedBlocks);
        doc->setMaximumBlockCount(0);
    }
    if (partial > 0) {
        // Never keep the second half of a surrogate pair.
        if (doc->characterAt(partial).isLowSurrogate())
            ++partial;
        QTextCursor oldest(doc);
        oldest.setPosition(partial, QTextCursor::KeepAnchor);
        oldest.removeSelectedText();
    }
    return droppedLines;
}
