#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/window_server.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_screens.h"

namespace tilvane::x11 {

// Layers the window list gives: ordinary windows, desktop windows, docks and panels.
inline constexpr int64_t kNormalWindowLayer = 0;
inline constexpr int64_t kDesktopWindowLayer = 1;
inline constexpr int64_t kDockWindowLayer = 20;

// What the window list knows of one managed window before it decides.
struct ClientFacts {
    bool viewable = false;
    std::optional<uint32_t> desktop;  // _NET_WM_DESKTOP; 0xFFFFFFFF on every desktop
    bool isDock = false;              // _NET_WM_WINDOW_TYPE_DOCK
    bool isDesktop = false;           // _NET_WM_WINDOW_TYPE_DESKTOP
};

// Whether the window belongs in the list: shown, and on the current desktop
// (or on all of them), and no desktop window when those are left out.
bool listsWindow(const ClientFacts& facts, std::optional<uint32_t> currentDesktop, uint32_t options);
int64_t layerOf(const ClientFacts& facts);

// The window manager's managed windows, front to back, as the window list:
// the frame in the program's top-left coordinates, the owner as
// owningApplication tells (a process id, or for a program on another machine
// the window's own) and the client window's id as its number. Only windows
// shown on the current desktop are listed.
class X11WindowList : public WindowList {
public:
    X11WindowList(Connection& conn, X11Screens& screens);

    std::vector<WindowInfo> copyWindowInfo(uint32_t options) override;

private:
    Connection& conn_;
    X11Screens& screens_;
    xcb_atom_t currentDesktop_;
    xcb_atom_t wmDesktop_;
    xcb_atom_t windowType_;
    xcb_atom_t typeDock_;
    xcb_atom_t typeDesktop_;
};

}  // namespace tilvane::x11
