#pragma once

#include <QPoint>
#include <QString>

#include <xcb/xcb.h>

// Moves the pointer through the XTest extension on its own connection, for
// moves whose effect is timed: starting xdotool would cost milliseconds, and
// moveTo() returns only once the server has taken the move in.
class XTestPointer
{
public:
    explicit XTestPointer(const QString &display);
    ~XTestPointer();
    XTestPointer(const XTestPointer &) = delete;
    XTestPointer &operator=(const XTestPointer &) = delete;

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    // Client points are taken relative to this window's client area from now on.
    bool followWindow(const QString &window);

    bool moveTo(QPoint client) { return moveToScreen(m_origin + client); }
    bool moveToScreen(QPoint screen);

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    QPoint m_origin;
    QString m_error;
};
