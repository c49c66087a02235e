// A mouse for a compositor that has none, through the wlroots virtual pointer:
//   drimo-wayland-pointer X Y WIDTH HEIGHT
// moves the pointer to (X, Y) of a layout WIDTH × HEIGHT large and clicks the left button there.
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <linux/input-event-codes.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void announce(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void withdraw(void*, wl_registry*, uint32_t) { }

// Lets clients hear of what was sent and answer: a pointer that has only just appeared is bound by each
// client when it hears of it, and events sent before that reach nobody.
void settle(wl_display* display)
{
    wl_display_roundtrip(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const auto x = static_cast<uint32_t>(std::atoi(argv[1]));
    const auto y = static_cast<uint32_t>(std::atoi(argv[2]));
    const auto width = static_cast<uint32_t>(std::atoi(argv[3]));
    const auto height = static_cast<uint32_t>(std::atoi(argv[4]));
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    Globals globals;
    static const wl_registry_listener registryListener { announce, withdraw };
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.seat || !globals.manager)
        return 1;
    auto* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, globals.seat);
    settle(display);
    uint32_t time = 0;
    // From elsewhere first: the window under the pointer hears it enter.
    zwlr_virtual_pointer_v1_motion_absolute(pointer, ++time, x > 0 ? x - 1 : x + 1, y, width, height);
    zwlr_virtual_pointer_v1_frame(pointer);
    zwlr_virtual_pointer_v1_motion_absolute(pointer, ++time, x, y, width, height);
    zwlr_virtual_pointer_v1_frame(pointer);
    settle(display);
    for (const auto state : { WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED }) {
        zwlr_virtual_pointer_v1_button(pointer, time += 50, BTN_LEFT, state);
        zwlr_virtual_pointer_v1_frame(pointer);
        settle(display);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(globals.manager);
    wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
