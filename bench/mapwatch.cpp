#include "mapwatch.h"

#include <QByteArray>
#include <QDeadlineTimer>

#include <poll.h>

MapWatch::MapWatch(const QString &display)
    : m_x(display)
    , m_error(m_x.errorString())
{
    if (!isValid())
        return;
    // With no window manager, top-level windows are the root's children, and
    // the root reports their mapping to whoever asks.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    const XcbReply<xcb_generic_error_t> error(xcb_request_check(
        m_x.get(),
        xcb_change_window_attributes_checked(m_x.get(), m_x.root(), XCB_CW_EVENT_MASK, &mask)));
    if (error) {
        m_error = QStringLiteral("cannot watch the root window of %1").arg(display);
        return;
    }
    const QByteArray name = "_NET_WM_PID";
    const XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        m_x.get(), xcb_intern_atom(m_x.get(), 0, name.size(), name.constData()), nullptr));
    if (atom)
        m_pidAtom = atom->atom;
}

bool MapWatch::waitForWindowOf(qint64 pid, int timeoutMs)
{
    if (!isValid())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (xcb_generic_event_t *raw = xcb_poll_for_event(m_x.get())) {
            const XcbReply<xcb_generic_event_t> event(raw);
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
                continue;
            const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(raw);
            // Override-redirect windows are menus and tooltips, not the main window.
            if (!map->override_redirect && pidOf(map->window) == pid)
                return true;
        }
        if (xcb_connection_has_error(m_x.get()) || deadline.hasExpired())
            return false;
        pollfd readable{xcb_get_file_descriptor(m_x.get()), POLLIN, 0};
        ::poll(&readable, 1, int(deadline.remainingTime()));
    }
}

qint64 MapWatch::pidOf(xcb_window_t window)
{
    const auto cookie = xcb_get_property(m_x.get(), 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1);
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_x.get(), cookie, nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return -1;
    return *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
}
