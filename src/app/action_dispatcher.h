#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/platform.h"

namespace tilvane {

class LayoutManager;
class SpaceMover;
class WindowAccess;

// The one way a window action is done, whether a hot key, the status menu or
// the command line asks for it: the checks before it acts (the preferences
// window in front, the shortcut switch, the accessibility permission), then
// the action on the focused window. It keeps the way to the focused window and
// the layout computation that every action and the mouse interactions use.
class ActionDispatcher {
public:
    // preferencesWindowInFront tells whether actions wait for the preferences window now.
    ActionDispatcher(const Platform& platform, SpaceMover& spaces, std::function<bool()> preferencesWindowInFront);
    ~ActionDispatcher();
    ActionDispatcher(const ActionDispatcher&) = delete;
    ActionDispatcher& operator=(const ActionDispatcher&) = delete;

    void moveWindowToDirection(int64_t code, bool fromMenu);
    bool accessibilityEnabled();
    // Asks for the permission, and opens the place where the user gives it
    // when the program does not have it yet.
    void openAccessibility();

    // The way to the focused window, created on first use and kept: every
    // action and the mouse interactions find the window through this one.
    WindowAccess& windowAccess();
    // The layout computation, created on first use and kept.
    LayoutManager& layoutManager();

private:
    Platform platform_;
    SpaceMover& spaces_;
    std::function<bool()> preferencesWindowInFront_;
    std::unique_ptr<WindowAccess> windowAccess_;
    std::unique_ptr<LayoutManager> layoutManager_;
};

// The script that opens the security pane of the system settings.
extern const char* const kOpenSecurityPaneScript;

}  // namespace tilvane
