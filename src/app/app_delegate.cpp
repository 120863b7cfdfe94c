#include "app/app_delegate.h"

#include "accessibility/window_element.h"
#include "app/action_table.h"
#include "placement/layout_manager.h"
#include "placement/split_view_actions.h"
#include "placement/window_model.h"
#include "platform/settings_keys.h"
#include "preferences/launch_at_login_controller.h"
#include "preferences/preferences_window_controller.h"
#include "shortcuts/shortcut_validator.h"
#include "shortcuts/shortcut_view.h"

namespace tilvane {

const char* const kOpenSecurityPaneScript =
    "tell application \"System Preferences\"\n"
    "activate\n"
    "set current pane to pane \"com.apple.preference.security\"\n"
    "end tell";

AppDelegate::AppDelegate(const Platform& platform) : defaults(platform.settings), platform_(platform) {}

AppDelegate::~AppDelegate() {
    stopWatchingForEmptySettings();
    stopFollowingShortcutSwitch();
    // A recording under way lets go of the keyboard while the window it
    // records in is still there: the window goes before its recorders do.
    if (recorderGroup_) recorderGroup_->abandonRecording();
}

WindowAccess& AppDelegate::windowAccess() {
    if (!windowAccess_) windowAccess_ = std::make_unique<WindowAccess>(*platform_.accessibility);
    return *windowAccess_;
}

LayoutManager& AppDelegate::layoutManager() {
    if (!layoutManager_) layoutManager_ = std::make_unique<LayoutManager>(platform_, windowAccess());
    return *layoutManager_;
}

bool AppDelegate::accessibilityEnabled() {
    return platform_.accessibility->isProcessTrustedWithOptions(false);
}

void AppDelegate::openAccessibility() {
    if (platform_.accessibility->isProcessTrustedWithOptions(true)) return;
    if (platform_.scripts) platform_.scripts->runAppleScript(kOpenSecurityPaneScript);
}

bool AppDelegate::preferencesWindowIsKey() {
    if (!_preferencesWindowController) return false;
    Window& window = _preferencesWindowController->window();
    return window.isVisible() && window.isKeyWindow();
}

void AppDelegate::moveWindowToDirection(int64_t code, bool fromMenu) {
    // The preferences window may have become the key window again a moment
    // ago, before the program heard of it: that is asked at the moment of the action.
    if (_prefsWindowActive || preferencesWindowIsKey()) return;
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
            spaceMoves_.push_back(code);
            if (!spaceMoveUnderway_) startSpaceMove();
            return;
        case action::kSplitView: SplitViewActions::splitView(platform_); return;
        default: layoutManager().moveWindowToDirection(code);
    }
}

void AppDelegate::startSpaceMove() {
    while (!spaceMoves_.empty()) {
        int64_t code = spaceMoves_.front();
        spaceMoves_.pop_front();
        // Counted from where the previous move left the window and the view.
        uint64_t space =
            code == action::kNextSpace ? getNextSpaceNumber() : static_cast<uint64_t>(getPrevSpaceNumber());
        auto window = WindowElement::focusedWindow(platform_, windowAccess());
        std::weak_ptr<bool> alive = alive_;
        auto done = [this, alive] {
            if (!alive.lock()) return;
            spaceMoveUnderway_ = false;
            startSpaceMove();
        };
        if (window && window->moveToSpace(space, done)) {
            spaceMoveUnderway_ = true;
            return;
        }
    }
}

}  // namespace tilvane
