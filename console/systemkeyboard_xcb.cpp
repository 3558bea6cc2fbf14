#include "systemkeyboard.h"

#include <QGuiApplication>

// xkb.h names a struct member 'explicit', a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>
#include <memory>

namespace SystemKeyboard {

bool enableDetectableAutoRepeat()
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

namespace {
// The X keysyms of the Latin letters are their ASCII codes.
std::optional<Qt::Key> latinLetter(xcb_keysym_t symbol)
{
    if (symbol >= 'a' && symbol <= 'z')
        return Qt::Key(Qt::Key_A + int(symbol - 'a'));
    if (symbol >= 'A' && symbol <= 'Z')
        return Qt::Key(symbol);
    return std::nullopt;
}
} // namespace

std::optional<Qt::Key> latinLetterForKey(quint32 nativeScanCode, quint32)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // X keycodes are 8 to 255; on X11 the scan code Qt reports is the keycode.
    if (!x11 || !x11->connection() || nativeScanCode < 8 || nativeScanCode > 255)
        return std::nullopt;
    xcb_connection_t *connection = x11->connection();
    const auto keycode = xcb_keycode_t(nativeScanCode);

    // Only this key's symbols, asked afresh each time rather than kept, so a
    // keymap changed at run time (setxkbmap) counts from its next key press.
    // One small request, made only for letters outside the Latin alphabet.
    const auto cookie =
        xcb_xkb_get_map(connection, XCB_XKB_ID_USE_CORE_KBD, 0, XCB_XKB_MAP_PART_KEY_SYMS, 0, 0,
                        keycode, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    const std::unique_ptr<xcb_xkb_get_map_reply_t, decltype(&std::free)> reply(
        xcb_xkb_get_map_reply(connection, cookie, nullptr), &std::free);
    if (!reply || !(reply->present & XCB_XKB_MAP_PART_KEY_SYMS) || reply->nKeySyms != 1)
        return std::nullopt;
    xcb_xkb_get_map_map_t map;
    xcb_xkb_get_map_map_unpack(xcb_xkb_get_map_map(reply.get()), reply->nTypes, reply->nKeySyms,
                               reply->nKeyActions, reply->totalActions, reply->totalKeyBehaviors,
                               reply->virtualMods, reply->totalKeyExplicit, reply->totalModMapKeys,
                               reply->totalVModMapKeys, reply->present, &map);
    const xcb_xkb_key_sym_map_iterator_t keys =
        xcb_xkb_get_map_map_syms_rtrn_iterator(reply.get(), &map);
    if (keys.rem < 1)
        return std::nullopt;

    // A key's symbols are width levels for each of its groups (layouts), one
    // after another; the first level is the unshifted letter.
    const xcb_xkb_key_sym_map_t *key = keys.data;
    const xcb_keysym_t *symbols = xcb_xkb_key_sym_map_syms(key);
    const int groups = key->groupInfo & 0x0f;
    for (int group = 0; group < groups; ++group) {
        const int first = group * key->width;
        if (first >= key->nSyms)
            break;
        if (const std::optional<Qt::Key> letter = latinLetter(symbols[first]))
            return letter;
    }
    return std::nullopt;
}

} // namespace SystemKeyboard
