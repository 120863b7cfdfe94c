#pragma once

#include <optional>
#include <vector>

#include "platform/geometry.h"
#include "platform/screens.h"

namespace tilvane {

// Conversions between the screens' bottom-left coordinates and the windows'
// top-left coordinates, and the neighbours of a screen in the screen list.
// Both systems share the origin of the primary screen; H is the height of the
// primary screen's full frame (0 when there is no screen).

double primaryScreenHeight(const std::vector<Screen>& screens);

// The same area in the other coordinate system; its own inverse.
inline Rect flipRect(const Rect& r, double H) {
    return {r.x, H - r.y - r.height, r.width, r.height};
}
inline Point flipPoint(Point p, double H) {
    return {p.x, H - p.y};
}

// The area a maximized window may take on the screen, in top-left coordinates.
Rect frameWithoutDockOrMenu(const Screen& screen, const std::vector<Screen>& screens);
// The screen's full frame in top-left coordinates.
Rect frameInTopLeft(const Screen& screen, const std::vector<Screen>& screens);

// The next and previous screen in the list, wrapping at the ends. A screen
// that is no longer in the list gives itself back.
Screen nextScreen(const Screen& screen, const std::vector<Screen>& screens);
Screen previousScreen(const Screen& screen, const std::vector<Screen>& screens);
std::optional<size_t> indexOfScreen(const Screen& screen, const std::vector<Screen>& screens);

}  // namespace tilvane
