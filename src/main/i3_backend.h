#pragma once

#include <memory>
#include <string>

#include "platform/desktop_backend.h"

namespace tilvane {

// i3, an X11 window manager with an IPC socket. The X display serves the
// screens, the keys, the pointer, the program's own windows and the one
// instance per display, as on any X11 desktop; i3's socket places the
// windows (so that a window i3 tiles is made floating and placed, not
// refused) and moves them between its workspaces.
class I3DesktopBackend : public DesktopBackend {
public:
    // Whether the session is i3's: $I3SOCK (which i3 gives every program it
    // starts) without $SWAYSOCK, and an X display.
    static bool fits(std::string& whyNot);
    static std::unique_ptr<DesktopBackend> open(std::string& error);
};

}  // namespace tilvane
