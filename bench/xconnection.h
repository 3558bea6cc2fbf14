#pragma once

#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// Replies, events and errors from xcb are the caller's to free.
struct XcbFree
{
    void operator()(void *pointer) const { std::free(pointer); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

// A connection of the bench's own to an X display, apart from the console's,
// closed when this goes.
class XConnection
{
public:
    explicit XConnection(const QString &display);
    ~XConnection();
    XConnection(const XConnection &) = delete;
    XConnection &operator=(const XConnection &) = delete;

    // Empty once connected.
    QString errorString() const { return m_error; }
    xcb_connection_t *get() const { return m_connection; }
    // Only on a connection that has no error.
    xcb_window_t root() const;

private:
    xcb_connection_t *m_connection;
    QString m_error;
};
