// A plain X client for the end-to-end tests: one window with no size
// increments and no minimum size, so that the geometry it is given is exact.
//
//   e2e_window [--title T]
//
// It runs until the window manager asks it to close or it is killed.

#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "atoms.h"

int main(int argc, char** argv) {
    std::string title = "e2e window";
    const unsigned width = 400, height = 300;
    if (argc == 3 && std::string(argv[1]) == "--title") title = argv[2];
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "e2e_window: cannot open the display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t w = xcb_generate_id(c);
    uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);

    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(title.size()), title.data());
    uint32_t pid = static_cast<uint32_t>(getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    xcb_atom_t protocols = atom(c, "WM_PROTOCOLS"), deleteWindow = atom(c, "WM_DELETE_WINDOW");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, protocols, XCB_ATOM_ATOM, 32, 1, &deleteWindow);
    // Position and size given by the program, so the window manager keeps them.
    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_position(&hints, 0, 0, 0);
    xcb_icccm_size_hints_set_size(&hints, 0, static_cast<int32_t>(width), static_cast<int32_t>(height));
    xcb_icccm_set_wm_normal_hints(c, w, &hints);
    xcb_map_window(c, w);
    xcb_flush(c);

    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
        bool close = false;
        if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
            close = m->type == protocols && m->data.data32[0] == deleteWindow;
        }
        std::free(e);
        if (close) break;
    }
    xcb_disconnect(c);
    return 0;
}
