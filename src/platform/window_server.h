#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/geometry.h"

namespace tilvane {

// One entry of the window server's list of on-screen windows.
struct WindowInfo {
    int64_t layer = 0;  // 0 for normal windows; above 0 for docks, panels, menus
    Rect bounds;        // top-left coordinates, the window's frame
    int32_t ownerPid = 0;
    uint64_t windowNumber = 0;
};

inline constexpr uint32_t kWindowListOnScreenOnly = 1;
inline constexpr uint32_t kWindowListExcludeDesktopElements = 16;

class WindowList {
public:
    virtual ~WindowList() = default;
    // Front to back.
    virtual std::vector<WindowInfo> copyWindowInfo(uint32_t options) = 0;
};

// Virtual desktops ("Spaces").
class Spaces {
public:
    virtual ~Spaces() = default;
    // Mask 7: every Space; mask 1: only the current one, first.
    virtual std::vector<uint64_t> copySpaces(int mask) = 0;
    virtual int spaceType(uint64_t space) = 0;
    // Moves the focused window to the Space with that number (1 is the
    // first of copySpaces' list read from its end) and shows it there, for a
    // desktop that does so itself; done runs on the loop once it has. False
    // where the program moves the window with the pointer and the keyboard.
    virtual bool moveFocusedWindowToSpace(uint64_t spaceNumber, std::function<void()> done) {
        (void)spaceNumber;
        (void)done;
        return false;
    }
};

// Running applications.
class Workspace {
public:
    virtual ~Workspace() = default;
    virtual std::optional<int32_t> frontmostApplicationPid() = 0;
    // Brings the application to the front; options as the platform defines them.
    virtual bool activateApplication(int32_t pid, uint32_t options) = 0;
};

}  // namespace tilvane
