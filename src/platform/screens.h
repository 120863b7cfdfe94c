#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry.h"

namespace tilvane {

// One display as the platform describes it. Both rectangles are in
// bottom-left coordinates with the origin at the primary screen.
struct Screen {
    uint64_t id = 0;
    Rect frame;         // the whole display
    Rect visibleFrame;  // without menu bar, Dock, panels and docks
    // Height of a menu bar or panel across this display's top, on platforms
    // that tell it for each display (0 elsewhere; see Screens::menuBarHeight).
    double menuBarHeight = 0;
    friend bool operator==(const Screen& a, const Screen& b) { return a.id == b.id; }
};

// The display service. The list is read anew on every call; nothing is cached.
class Screens {
public:
    virtual ~Screens() = default;
    // Primary screen first (the one whose frame has its origin at (0, 0)).
    virtual std::vector<Screen> screens() = 0;
    // The screen holding the window with the keyboard focus.
    virtual std::optional<Screen> mainScreen() = 0;
    // Height of the menu bar on the primary screen (0 where there is none).
    virtual double menuBarHeight() { return 0; }
};

}  // namespace tilvane
