#include "detectableautorepeat.h"

#include <QGuiApplication>

// xkb.h names a struct member 'explicit', a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>

namespace DetectableAutoRepeat {

bool enable()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return false;
    xcb_connection_t *connection = x11->connection();
    constexpr uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    // The X keyboard extension is already initialised by Qt's own use of it.
    const auto cookie =
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0);
    xcb_xkb_per_client_flags_reply_t *reply =
        xcb_xkb_per_client_flags_reply(connection, cookie, nullptr);
    if (!reply)
        return false;
    const bool enabled = (reply->supported & flag) && (reply->value & flag);
    std::free(reply);
    return enabled;
}

} // namespace DetectableAutoRepeat
