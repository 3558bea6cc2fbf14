#include "xtestpointer.h"

#include <xcb/xtest.h>

#include <cstdlib>
#include <memory>

namespace {
using ErrorPointer = std::unique_ptr<xcb_generic_error_t, decltype(&std::free)>;
} // namespace

XTestPointer::XTestPointer(const QString &display)
{
    m_connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(m_connection)) {
        m_error = QStringLiteral("cannot connect to display %1").arg(display);
        return;
    }
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
    if (!xtest || !xtest->present) {
        m_error = QStringLiteral("display %1 has no XTest extension").arg(display);
        return;
    }
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

XTestPointer::~XTestPointer()
{
    xcb_disconnect(m_connection);
}

bool XTestPointer::followWindow(const QString &window)
{
    bool ok = false;
    const xcb_window_t id = window.toUInt(&ok);
    if (!ok || !isValid())
        return false;
    const auto cookie = xcb_translate_coordinates(m_connection, id, m_root, 0, 0);
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
        xcb_translate_coordinates_reply(m_connection, cookie, nullptr), &std::free);
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
        xcb_test_fake_input_checked(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root,
                                    int16_t(screen.x()), int16_t(screen.y()), 0);
    // A round trip: when it returns the server has moved the pointer and sent
    // the console its events.
    const ErrorPointer error(xcb_request_check(m_connection, cookie), &std::free);
    return !error;
}
