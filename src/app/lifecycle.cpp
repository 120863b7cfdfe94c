// Start-up and termination of the application.

#include "app/app_delegate.h"

namespace tilvane {

void AppDelegate::writeFirstLaunchSettings() {
    if (!defaults) return;
    static const std::pair<const char*, bool> kFirstLaunch[] = {
        {"EnableShotcuts", true},
        {"WMoveSizeEnabledBrigToFront", false},
        {"WindowMovingEnabled", false},
        {"WindowResizingEnabled", false},
    };
    for (const auto& [key, value] : kFirstLaunch) {
        if (defaults->objectForKey(key)) continue;
        defaults->setBool(key, value);
        defaults->synchronize();
    }
}

void AppDelegate::applicationDidFinishLaunching() {
    writeFirstLaunchSettings();
    if (!accessibilityEnabled()) openAccessibility();
    registerHotkeys(false);
    activateHotkeys();
    // The status menu and the move/resize and swipe monitors start here once
    // the platform offers them.
}

void AppDelegate::applicationWillTerminate() {
    deactivateHotkeys();
}

}  // namespace tilvane
