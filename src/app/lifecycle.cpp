// Start-up and termination of the application.

#include "app/app_delegate.h"
#include "interaction/move_resize_manager.h"
#include "interaction/snap_manager.h"
#include "interaction/swipe_manager.h"

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
    if (platform_.eventMonitors) {
        resizeMan = std::make_shared<MoveResizeManager>(platform_);
        swipeMan = std::make_shared<SwipeManager>(platform_, layoutManager());
        snapMan = std::make_shared<SnapToEdgeSwitch>(platform_, layoutManager());
    }
}

void AppDelegate::applicationWillTerminate() {
    deactivateHotkeys();
}

}  // namespace tilvane
