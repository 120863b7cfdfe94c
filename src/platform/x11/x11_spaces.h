#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/window_server.h"
#include "platform/x11/x11_connection.h"

namespace tilvane::x11 {

// The Space of desktop index i (0 for the first desktop) is i + 1, so that no
// Space is 0.
inline uint64_t spaceForDesktop(uint32_t index) {
    return uint64_t{index} + 1;
}

// The Spaces a copy with this mask reports, given the number of desktops and
// the current one (none when the window manager names none or a desktop
// beyond the count). Bit 1 takes the current desktop, bit 2 the others. The
// list runs from the last desktop to the first, the order in which the
// program expects Spaces, so that read back to front they are desktop 1, 2, 3…
std::vector<uint64_t> spacesForDesktops(int mask, uint32_t count, std::optional<uint32_t> current);

// The window manager's desktops (EWMH) as Spaces. Every desktop is an
// ordinary one: none has the type the program leaves out.
class X11Spaces : public Spaces {
public:
    explicit X11Spaces(Connection& conn);

    std::vector<uint64_t> copySpaces(int mask) override;
    int spaceType(uint64_t) override { return 0; }

private:
    Connection& conn_;
    xcb_atom_t numberOfDesktops_;
    xcb_atom_t currentDesktop_;
};

}  // namespace tilvane::x11
