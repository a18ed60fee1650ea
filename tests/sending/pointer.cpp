// A pointer for a headless sway in the end-to-end tests: a virtual pointer
// (wlroots' protocol) that gives the seat a pointer, so that the clicks the
// test asks of sway ("seat - cursor press button1") reach the programs.
// It stays until it is ended.
//
//   pointer
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>

namespace {

wl_seat *g_seat = nullptr;
zwlr_virtual_pointer_manager_v1 *g_manager = nullptr;

void global(void *, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    if (!g_seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        g_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        g_manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void globalRemove(void *, wl_registry *, uint32_t) { }

} // namespace

int main()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "pointer: no Wayland compositor\n");
        return 1;
    }
    static const wl_registry_listener listener { &global, &globalRemove };
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (!g_manager || !g_seat) {
        std::fprintf(stderr, "pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g_manager, g_seat);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    while (wl_display_dispatch(display) >= 0) { }
    wl_display_disconnect(display);
    return 0;
}
