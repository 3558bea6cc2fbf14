#pragma once

#include <QObject>

class QShortcut;

// Escape as the window's stop key, wherever the focus is, once per press.
// With the X server's detectable auto-repeat on (see SystemKeyboard), a held
// key repeats as presses alone, and Qt marks none of them as repeats; so a
// press counts only when Escape was up. A control that takes Escape as its
// own key (the keyboard button) still gets every press.
//
// A stop left out is worse than one too many: a release this cannot see (a
// modal window took the keys, another program grabbed them) must not make
// the next real press a repeat. So only a press that follows the last one
// as closely as a held key repeats counts as a repeat, and any other key or
// the window becoming active again ends the hold.
class EscapeKey : public QObject
{
    Q_OBJECT

public:
    // Escape in window and its controls; a child of it.
    explicit EscapeKey(QWidget *window);
    ~EscapeKey() override;

signals:
    void pressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QShortcut *const m_shortcut;
    bool m_down = false;
    // The last press, in the X server's milliseconds. The press under way
    // passes every control from the focus up to the window, and is the same
    // press each time.
    quint64 m_lastPressAt = 0;
};
