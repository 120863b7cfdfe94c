#include "app/action_dispatcher.h"

#include "app/action_table.h"
#include "app/space_mover.h"
#include "placement/layout_manager.h"
#include "placement/split_view_actions.h"
#include "placement/window_model.h"
#include "platform/settings_keys.h"

namespace tilvane {

const char* const kOpenSecurityPaneScript =
    "tell application \"System Preferences\"\n"
    "activate\n"
    "set current pane to pane \"com.apple.preference.security\"\n"
    "end tell";

ActionDispatcher::ActionDispatcher(const Platform& platform, SpaceMover& spaces,
                                   std::function<bool()> preferencesWindowInFront)
    : platform_(platform), spaces_(spaces), preferencesWindowInFront_(std::move(preferencesWindowInFront)) {}

ActionDispatcher::~ActionDispatcher() = default;

WindowAccess& ActionDispatcher::windowAccess() {
    if (!windowAccess_) windowAccess_ = std::make_unique<WindowAccess>(platform_.accessibility);
    return *windowAccess_;
}

LayoutManager& ActionDispatcher::layoutManager() {
    if (!layoutManager_) layoutManager_ = std::make_unique<LayoutManager>(platform_, windowAccess());
    return *layoutManager_;
}

bool ActionDispatcher::accessibilityEnabled() {
    return platform_.accessibility.isProcessTrustedWithOptions(false);
}

void ActionDispatcher::openAccessibility() {
    if (platform_.accessibility.isProcessTrustedWithOptions(true)) return;
    if (platform_.scripts) platform_.scripts->runAppleScript(kOpenSecurityPaneScript);
}

void ActionDispatcher::moveWindowToDirection(int64_t code, bool fromMenu) {
    if (preferencesWindowInFront_ && preferencesWindowInFront_()) return;
    bool shortcutsEnabled = platform_.settings && platform_.settings->boolForKey(settings_key::kEnableShotcuts);
    if (!fromMenu && !shortcutsEnabled) return;
    if (!accessibilityEnabled()) {
        openAccessibility();
        return;
    }
    switch (code) {
        case action::kNextDisplay:
            if (auto window = WindowModel::focusedWindow(platform_, windowAccess())) window->moveToNextScreen();
            return;
        case action::kPreviousDisplay:
            if (auto window = WindowModel::focusedWindow(platform_, windowAccess())) window->moveToPreviousScreen();
            return;
        case action::kNextSpace:
        case action::kPreviousSpace:
            if (!platform_.capabilities.virtualDesktops.available) return;
            spaces_.moveFocusedWindow(code, windowAccess());
            return;
        case action::kSplitView: SplitViewActions::splitView(platform_); return;
        default: layoutManager().moveWindowToDirection(code);
    }
}

}  // namespace tilvane
