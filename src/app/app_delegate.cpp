#include "app/app_delegate.h"

#include "app/action_table.h"
#include "placement/layout_manager.h"

namespace tilvane {

const char* const kOpenSecurityPaneScript =
    "tell application \"System Preferences\"\n"
    "activate\n"
    "set current pane to pane \"com.apple.preference.security\"\n"
    "end tell";

AppDelegate::AppDelegate(const Platform& platform) : defaults(platform.settings), platform_(platform) {}

AppDelegate::~AppDelegate() = default;

LayoutManager& AppDelegate::layoutManager() {
    if (!layoutManager_) layoutManager_ = std::make_unique<LayoutManager>(platform_);
    return *layoutManager_;
}

bool AppDelegate::accessibilityEnabled() { return platform_.accessibility->isProcessTrustedWithOptions(false); }

void AppDelegate::openAccessibility() {
    if (platform_.accessibility->isProcessTrustedWithOptions(true)) return;
    if (platform_.scripts) platform_.scripts->runAppleScript(kOpenSecurityPaneScript);
}

void AppDelegate::moveWindowToDirection(int64_t code, bool fromMenu) {
    if (_prefsWindowActive) return;
    bool shortcutsEnabled = platform_.settings && platform_.settings->boolForKey("EnableShotcuts");
    if (!fromMenu && !shortcutsEnabled) return;
    if (!accessibilityEnabled()) {
        openAccessibility();
        return;
    }
    switch (code) {
        case action::kNextDisplay:
        case action::kPreviousDisplay:
        case action::kNextSpace:
        case action::kPreviousSpace:
        case action::kSplitView:
            // The display, Space and Split View actions are not built yet.
            return;
        default:
            layoutManager().moveWindowToDirection(code);
    }
}

}  // namespace tilvane
