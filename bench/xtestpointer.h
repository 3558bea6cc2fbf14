#pragma once

#include "xconnection.h"

#include <QPoint>
#include <QString>

// Moves the pointer through the XTest extension on its own connection, for
// moves whose effect is timed: starting xdotool would cost milliseconds, and
// moveTo() returns only once the server has taken the move in.
class XTestPointer
{
public:
    explicit XTestPointer(const QString &display);

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    // Client points are taken relative to this window's client area from now on.
    bool followWindow(const QString &window);

    bool moveTo(QPoint client) { return moveToScreen(m_origin + client); }
    bool moveToScreen(QPoint screen);

private:
    XConnection m_x;
    QPoint m_origin;
    QString m_error;
};
