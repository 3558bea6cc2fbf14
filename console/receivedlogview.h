#pragma once

#include "logrenderer.h"
#include "receivedtextqueue.h"

#include <QPlainTextEdit>

// The log box: text received from the robot is appended at the end while the
// operator may still type, select and scroll in it. The log is bounded; the
// oldest text goes first.
class ReceivedLogView : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int MaxLogCharacters = ReceivedTextQueue::MaxQueuedCharacters;
    // Each line costs the document about a hundred bytes of its own, so a
    // stream of empty lines is bounded by count, not by characters.
    static constexpr int MaxLogLines = 100'000;
    // Every append lays out the whole last line again, so received text that
    // never breaks its lines is broken here: an append then costs at most one
    // such line, not the whole endless one.
    static constexpr int MaxLineCharacters = 1024;

    explicit ReceivedLogView(QWidget *parent = nullptr);

    // Appends at the very end, leaving the operator's caret and selection
    // where they are; follows the text only while scrolled to the end. The
    // text is as ReceivedTextDecoder shows it: LF is its one line break.
    void appendReceived(const QString &text);
    // The same for pieces, each in its role's colour, after taking away the
    // last replacingLast characters (an unfinished hex row drawn again).
    void appendPieces(const LogPieces &pieces, int replacingLast = 0);
    // Empties the log (the Clear button).
    void clearLog();

    // Whether the view's font, or one the system falls back to, draws every
    // control picture received text may hold; otherwise they would all show
    // as the same empty box.
    bool drawsControlPictures() const;

protected:
    // A paste with nothing in it is no paste. A middle click while no
    // program owns the X selection hands Qt such data, and Qt 6.4 takes the
    // first of its formats whether there is one or not, and crashes.
    void insertFromMimeData(const QMimeData *source) override;

private:
    QString withLinesBroken(const QString &text) const;
    QTextCharFormat formatFor(LogPiece::Role role) const;
    void restoreCaret(int anchor, int position);
    // Returns how many laid-out lines went from above the kept text.
    int trimOldest();
};
