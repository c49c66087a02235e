// A Wayland client that copies through data-control, as a clipboard tool or a password manager does:
//   drimo-wayland-owner [--silent] TYPE=VALUE...
// It offers each TYPE, serves VALUE to whoever pastes (or, with --silent, never answers and keeps the pipe
// open), prints "ready" once its copy is the selection and exits when another copy replaces it.
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Owner {
    wl_seat* seat = nullptr;
    zwlr_data_control_manager_v1* manager = nullptr;
    std::map<std::string, std::string> values;
    bool silent = false;
    bool cancelled = false;
    std::vector<int> heldOpen;
};

void announce(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* owner = static_cast<Owner*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !owner->seat)
        owner->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        owner->manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
}

void withdraw(void*, wl_registry*, uint32_t) { }

void send(void* data, zwlr_data_control_source_v1*, const char* type, int32_t fd)
{
    auto* owner = static_cast<Owner*>(data);
    if (owner->silent) {
        owner->heldOpen.push_back(fd);
        return;
    }
    const std::string& value = owner->values[type];
    for (std::size_t written = 0; written < value.size();) {
        const auto n = ::write(fd, value.data() + written, value.size() - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

void cancelled(void* data, zwlr_data_control_source_v1*)
{
    static_cast<Owner*>(data)->cancelled = true;
}

} // namespace

int main(int argc, char** argv)
{
    Owner owner;
    std::vector<std::string> types;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--silent") {
            owner.silent = true;
            continue;
        }
        // A parameter of the type ("text/plain;charset=utf-8") has an equals sign of its own.
        const auto semicolon = argument.find(';');
        const auto first = argument.find('=');
        const auto equals = semicolon < first ? argument.find('=', first + 1) : first;
        if (equals == std::string::npos)
            return 2;
        types.push_back(argument.substr(0, equals));
        owner.values[types.back()] = argument.substr(equals + 1);
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    static const wl_registry_listener registryListener { announce, withdraw };
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &owner);
    wl_display_roundtrip(display);
    if (!owner.seat || !owner.manager)
        return 1;
    auto* device = zwlr_data_control_manager_v1_get_data_device(owner.manager, owner.seat);
    auto* source = zwlr_data_control_manager_v1_create_data_source(owner.manager);
    static const zwlr_data_control_source_v1_listener sourceListener { send, cancelled };
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, &owner);
    for (const auto& type : types)
        zwlr_data_control_source_v1_offer(source, type.c_str());
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    while (!owner.cancelled && wl_display_dispatch(display) >= 0) { }
    return 0;
}
