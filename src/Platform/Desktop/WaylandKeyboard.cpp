#include "Platform/Desktop/WaylandKeyboard.h"

#include "Platform/Desktop/WaylandConnection.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/FileDescriptor.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QByteArray>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>

namespace {

constexpr unsigned keymapFormatXkbV1 = 1;

struct Keymap {
    QByteArray text;
    unsigned shiftMask = 0;
    unsigned ctrlMask = 0;
};

// A plain US keyboard: pastes need Control, Shift, V and Insert, which every layout has in one place.
std::optional<Keymap> usKeymap()
{
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), xkb_context_unref);
    if (!context)
        return std::nullopt;
    const xkb_rule_names names { "evdev", "pc105", "us", "", "" };
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS), xkb_keymap_unref);
    if (!keymap)
        return std::nullopt;
    char* text = xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!text)
        return std::nullopt;
    Keymap result;
    // The compositor reads the keymap with its terminating zero.
    result.text = QByteArray(text, static_cast<qsizetype>(std::strlen(text)) + 1);
    std::free(text);
    result.shiftMask = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_SHIFT);
    result.ctrlMask = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_CTRL);
    return result;
}

} // namespace

std::unique_ptr<WaylandKeyboard> WaylandKeyboard::create(WaylandConnection& connection)
{
    auto* manager = static_cast<zwp_virtual_keyboard_manager_v1*>(connection.bind(
        &zwp_virtual_keyboard_manager_v1_interface, QStringLiteral("zwp_virtual_keyboard_manager_v1"), 1));
    if (!manager)
        return nullptr;
    auto* seat = static_cast<wl_seat*>(connection.bind(&wl_seat_interface, QStringLiteral("wl_seat"), 1));
    const auto keymap = usKeymap();
    FileDescriptor file(::memfd_create("drimo-copy-keymap", MFD_CLOEXEC));
    if (!seat || !keymap || !file.isOpen()
        || !AtomicFile::writeAll(file.get(), QByteArrayView(keymap->text))) {
        if (seat)
            wl_seat_destroy(seat);
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(manager));
        return nullptr;
    }
    auto* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    zwp_virtual_keyboard_v1_keymap(
        keyboard, keymapFormatXkbV1, file.get(), static_cast<uint32_t>(keymap->text.size()));
    // The manager is needed only to make the keyboard.
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(manager));
    connection.flush();
    return std::unique_ptr<WaylandKeyboard>(
        new WaylandKeyboard(connection, keyboard, seat, keymap->shiftMask, keymap->ctrlMask));
}

WaylandKeyboard::WaylandKeyboard(WaylandConnection& connection, zwp_virtual_keyboard_v1* keyboard,
    wl_seat* seat, unsigned shiftMask, unsigned ctrlMask)
    : m_connection(connection)
    , m_keyboard(keyboard)
    , m_seat(seat)
    , m_shiftMask(shiftMask)
    , m_ctrlMask(ctrlMask)
{
    m_clock.start();
}

WaylandKeyboard::~WaylandKeyboard()
{
    zwp_virtual_keyboard_v1_destroy(m_keyboard);
    wl_seat_destroy(m_seat);
    m_connection.flush();
}

void WaylandKeyboard::key(unsigned code, bool down)
{
    zwp_virtual_keyboard_v1_key(m_keyboard, static_cast<uint32_t>(m_clock.elapsed()), code, down ? 1 : 0);
}

void WaylandKeyboard::press(Key key, unsigned modifiers)
{
    down(key, modifiers);
    up(key, modifiers);
}

void WaylandKeyboard::down(Key key, unsigned modifiers)
{
    // Clients follow both the modifier keys and the modifier state the compositor passes on.
    unsigned mask = 0;
    if (modifiers & Ctrl) {
        this->key(LeftCtrl, true);
        mask |= m_ctrlMask;
    }
    if (modifiers & Shift) {
        this->key(LeftShift, true);
        mask |= m_shiftMask;
    }
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, mask, 0, 0, 0);
    this->key(key, true);
    m_connection.flush();
}

void WaylandKeyboard::up(Key key, unsigned modifiers)
{
    this->key(key, false);
    if (modifiers & Shift)
        this->key(LeftShift, false);
    if (modifiers & Ctrl)
        this->key(LeftCtrl, false);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, 0, 0, 0, 0);
    m_connection.flush();
}
