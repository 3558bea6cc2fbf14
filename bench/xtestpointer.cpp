#include "xtestpointer.h"

#include <xcb/xtest.h>

XTestPointer::XTestPointer(const QString &display)
    : m_x(display)
    , m_error(m_x.errorString())
{
    if (!isValid())
        return;
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_x.get(), &xcb_test_id);
    if (!xtest || !xtest->present)
        m_error = QStringLiteral("display %1 has no XTest extension").arg(display);
}

bool XTestPointer::followWindow(const QString &window)
{
    bool ok = false;
    const xcb_window_t id = window.toUInt(&ok);
    if (!ok || !isValid())
        return false;
    const auto cookie = xcb_translate_coordinates(m_x.get(), id, m_x.root(), 0, 0);
    const XcbReply<xcb_translate_coordinates_reply_t> reply(
        xcb_translate_coordinates_reply(m_x.get(), cookie, nullptr));
    if (!reply)
        return false;
    m_origin = QPoint(reply->dst_x, reply->dst_y);
    return true;
}

bool XTestPointer::moveToScreen(QPoint screen)
{
    if (!isValid())
        return false;
    // Absolute motion (detail 0) on the root window, at once (time 0).
    const auto cookie =
        xcb_test_fake_input_checked(m_x.get(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_x.root(),
                                    int16_t(screen.x()), int16_t(screen.y()), 0);
    // A round trip: when it returns the server has moved the pointer and sent
    // the console its events.
    const XcbReply<xcb_generic_error_t> error(xcb_request_check(m_x.get(), cookie));
    return !error;
}
