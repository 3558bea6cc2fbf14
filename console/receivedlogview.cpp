#include "receivedlogview.h"

#include "receivedtextdecoder.h"

#include <QGlyphRun>
#include <QMimeData>
#include <QRawFont>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace {
// In a flood of empty lines, having one dropped line in this many counted
// makes the document reclaim their memory after at most about this many times
// its own threshold of some 50,000 characters (see trimOldest()).
constexpr int CountedEmptyLinesShare = 16;

void removeFromStart(QTextCursor &cursor, int length)
{
    if (length <= 0)
        return;
    cursor.setPosition(0);
    cursor.setPosition(length, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
} // namespace

ReceivedLogView::ReceivedLogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    // An undo stack would keep every received character alive.
    setUndoRedoEnabled(false);
}

void ReceivedLogView::insertFromMimeData(const QMimeData *source)
{
    if (source && !source->formats().isEmpty())
        QPlainTextEdit::insertFromMimeData(source);
}

void ReceivedLogView::appendReceived(const QString &text)
{
    appendPieces({{LogPiece::Role::Received, text}});
}

QTextCharFormat ReceivedLogView::formatFor(LogPiece::Role role) const
{
    // Received text in the box's own colours, whatever came before it.
    QTextCharFormat format;
    if (role == LogPiece::Role::Time)
        format.setForeground(palette().color(QPalette::PlaceholderText));
    else if (role == LogPiece::Role::Event)
        format.setForeground(palette().color(QPalette::Link));
    return format;
}

void ReceivedLogView::appendPieces(const LogPieces &pieces, int replacingLast)
{
    const bool anyText = std::any_of(pieces.cbegin(), pieces.cend(),
                                     [](const LogPiece &piece) { return !piece.text.isEmpty(); });
    if (!anyText && replacingLast == 0)
        return;
    // With updates off, moving to the new end does not lay out the text in
    // between to scroll the old picture; the viewport is repainted whole
    // anyway. Updates that were off stay off.
    QWidget *const view = viewport();
    const bool updates = view->updatesEnabled();
    if (updates)
        view->setUpdatesEnabled(false);
    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    const bool following = vertical->value() == vertical->maximum();
    const int top = vertical->value();
    const int left = horizontal->value();
    const QTextCursor caret = textCursor();
    const int kept = qMax(0, document()->characterCount() - 1 - replacingLast);
    const int anchor = qMin(caret.anchor(), kept);
    const int position = qMin(caret.position(), kept);

    QTextCursor end(document());
    // Inside an edit a cursor does not lay out the line it is put on, here
    // the oldest one or the last one, which the insertion changes anyway.
    end.beginEditBlock();
    end.setPosition(kept);
    if (replacingLast > 0) {
        end.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        end.removeSelectedText();
    }
    for (const LogPiece &piece : pieces) {
        if (!piece.text.isEmpty())
            end.insertText(withLinesBroken(piece.text), formatFor(piece.role));
    }
    end.endEditBlock();

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
    if (updates)
        view->setUpdatesEnabled(true);
}

void ReceivedLogView::clearLog()
{
    clear();
}

bool ReceivedLogView::drawsControlPictures() const
{
    // Laid out as the log lays out text, so the fonts found by fallback count.
    const QString pictures = ReceivedTextDecoder::controlPictures();
    QTextLayout layout(pictures, document()->defaultFont());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    // A character no font has goes to the view's own font, as its empty box.
    return std::all_of(pictures.cbegin(), pictures.cend(), [&runs](QChar picture) {
        return std::any_of(runs.cbegin(), runs.cend(), [picture](const QGlyphRun &run) {
            return run.rawFont().supportsCharacter(picture);
        });
    });
}

QString ReceivedLogView::withLinesBroken(const QString &text) const
{
    int lineLength = document()->lastBlock().length() - 1;
    QString broken;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch == u'\n') {
            lineLength = 0;
        } else if (!ch.isLowSurrogate()) {
            // A surrogate pair goes on one line, whole.
            const int width = ch.isHighSurrogate() ? 2 : 1;
            if (lineLength + width > MaxLineCharacters) {
                // Copied a line at a time, and not at all if no line is
                // broken: a character at a time shows in a flood.
                if (broken.isEmpty())
                    broken.reserve(text.size() + text.size() / MaxLineCharacters + 1);
                broken += QStringView(text).sliced(copied, i - copied);
                broken += u'\n';
                copied = i;
                lineLength = 0;
            }
            lineLength += width;
        }
    }
    if (broken.isEmpty())
        return text;
    broken += QStringView(text).sliced(copied);
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
    if (characters <= MaxLogCharacters && lines <= MaxLogLines)
        return 0;

    // Only the excess goes: each arrival then pays for dropping about what it
    // brought, instead of one arrival paying for a large cut.
    int cut = qMax(0, characters - MaxLogCharacters);
    if (lines > MaxLogLines)
        cut = qMax(cut, doc->findBlockByNumber(lines - MaxLogLines).position());
    // Never keep the second half of a surrogate pair.
    if (doc->characterAt(cut).isLowSurrogate())
        ++cut;
    const QTextBlock firstKept = doc->findBlock(cut);
    const int droppedLines = firstKept.firstLineNumber();
    const int keptStart = firstKept.position();

    // The document reclaims dropped text once it has counted enough of it, but
    // it counts a dropped line break only when its own block limit drops the
    // line, and that lays the line out first: for lines with text, dearer than
    // the append. Their text is counted anyway, so the limit takes only empty
    // lines, enough of them that a flood of empty lines is reclaimed too.
    const int maxCounted = firstKept.blockNumber() / CountedEmptyLinesShare + 1;
    int counted = 0;
    for (QTextBlock line = firstKept.previous();
         line.isValid() && line.length() == 1 && counted < maxCounted; line = line.previous())
        ++counted;

    // One edit, so the layout and the scroll bars catch up once.
    QTextCursor oldest(doc);
    oldest.beginEditBlock();
    removeFromStart(oldest, keptStart - counted);
    if (counted > 0) {
        doc->setMaximumBlockCount(doc->blockCount() - counted);
        doc->setMaximumBlockCount(0);
    }
    removeFromStart(oldest, cut - keptStart);
    oldest.endEditBlock();
    return droppedLines;
}
