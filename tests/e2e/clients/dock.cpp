// A dock for the end-to-end tests: a window of type dock along one edge of a
// monitor that reserves its place with _NET_WM_STRUT_PARTIAL.
//
//   e2e_dock X Y WIDTH HEIGHT top|bottom|left|right
//
// The rectangle is in root coordinates. It runs until it is killed.

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "atoms.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: e2e_dock X Y WIDTH HEIGHT top|bottom|left|right\n");
        return 2;
    }
    int x = std::atoi(argv[1]), y = std::atoi(argv[2]), w = std::atoi(argv[3]), h = std::atoi(argv[4]);
    std::string edge = argv[5];
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "e2e_dock: cannot open the display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    int rootW = screen->width_in_pixels, rootH = screen->height_in_pixels;

    // left, right, top, bottom, then the spans of each edge (start, end inclusive).
    uint32_t strut[12] = {};
    if (edge == "top") {
        strut[2] = uint32_t(y + h), strut[8] = uint32_t(x), strut[9] = uint32_t(x + w - 1);
    } else if (edge == "bottom") {
        strut[3] = uint32_t(rootH - y), strut[10] = uint32_t(x), strut[11] = uint32_t(x + w - 1);
    } else if (edge == "left") {
        strut[0] = uint32_t(x + w), strut[4] = uint32_t(y), strut[5] = uint32_t(y + h - 1);
    } else if (edge == "right") {
        strut[1] = uint32_t(rootW - x), strut[6] = uint32_t(y), strut[7] = uint32_t(y + h - 1);
    } else {
        std::fprintf(stderr, "e2e_dock: unknown edge %s\n", edge.c_str());
        return 2;
    }

    xcb_window_t win = xcb_generate_id(c);
    // Slate grey on the usual 24-bit true-colour visual, so that the dock shows on screenshots.
    uint32_t values[] = {screen->root_depth == 24 ? 0x4c566au : screen->white_pixel};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, int16_t(x), int16_t(y), uint16_t(w), uint16_t(h), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);
    xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32, 12,
                        strut);
    static const char kName[] = "e2e dock";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, sizeof kName - 1, kName);
    // The window manager keeps a dock where it asks to be only with a user-given position.
    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_position(&hints, 1, x, y);
    xcb_icccm_size_hints_set_size(&hints, 1, w, h);
    xcb_icccm_set_wm_normal_hints(c, win, &hints);
    xcb_map_window(c, win);
    xcb_flush(c);
    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) std::free(e);
    xcb_disconnect(c);
    return 0;
}
