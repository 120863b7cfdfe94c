#include "placement/screen_geometry.h"

namespace tilvane {

double primaryScreenHeight(const std::vector<Screen>& screens) {
    return screens.empty() ? 0.0 : screens.front().frame.height;
}

Rect frameWithoutDockOrMenu(const Screen& screen, const std::vector<Screen>& screens) {
    return flipRect(screen.visibleFrame, primaryScreenHeight(screens));
}

Rect frameInTopLeft(const Screen& screen, const std::vector<Screen>& screens) {
    return flipRect(screen.frame, primaryScreenHeight(screens));
}

std::optional<size_t> indexOfScreen(const Screen& screen, const std::vector<Screen>& screens) {
    for (size_t i = 0; i < screens.size(); ++i)
        if (screens[i] == screen) return i;
    return std::nullopt;
}

Screen nextScreen(const Screen& screen, const std::vector<Screen>& screens) {
    auto i = indexOfScreen(screen, screens);
    if (!i) return screen;
    return screens[*i + 1 == screens.size() ? 0 : *i + 1];
}

Screen previousScreen(const Screen& screen, const std::vector<Screen>& screens) {
    auto i = indexOfScreen(screen, screens);
    if (!i) return screen;
    return screens[*i == 0 ? screens.size() - 1 : *i - 1];
}

}  // namespace tilvane
