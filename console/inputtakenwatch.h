#pragma once

#include <QObject>

class QWidget;

// Tells when something of the console's own takes the operator's input away
// from its window: a popup (a menu, a list's drop-down) or a modal window (a
// file dialog, a message box) shows, a drag and drop comes over it, or the
// window is minimised or hidden.
// Stop zones and steering keys reach nothing then, and the Escape that
// closes a popup or dialog is the popup's, so the robot must stop before.
class InputTakenWatch : public QObject
{
    Q_OBJECT

public:
    // Watches every window of the application on window's behalf; a child of it.
    explicit InputTakenWatch(QWidget *window);
    ~InputTakenWatch() override;

signals:
    void inputTaken();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *const m_window;
};
