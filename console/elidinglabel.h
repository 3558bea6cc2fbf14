#pragma once

#include <QHash>
#include <QLabel>

// A word-wrapped plain-text label that shows as much of its text as its box
// holds: what does not fit is cut at the last line that does, ending in "…".
// The whole text is its tooltip. The box stays as it is; the text is fitted
// again when the box or the font changes.
class ElidingLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidingLabel(QWidget *parent = nullptr);

    void setFullText(const QString &text);
    QString fullText() const { return m_fullText; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void fit();
    void fitAnew();
    bool shownTextFits() const;
    QString firstLinesElided(int lineCount) const;
    int textWidth() const;

    QString m_fullText;
    // What each recent full text was fitted to in this box with this font.
    // The status strip goes back and forth between a few texts as the robot
    // is steered, and laying them out again each time shows in its CPU use.
    QHash<QString, QString> m_fitted;
};
