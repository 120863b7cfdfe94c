#pragma once

// Interning atoms for the small test clients, which talk to X on their own.

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

inline xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return a;
}
