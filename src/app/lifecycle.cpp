// Start-up and termination of the application.

#include "app/app_delegate.h"
#include "interaction/move_resize_manager.h"
#include "interaction/snap_manager.h"
#include "interaction/swipe_manager.h"
#include "platform/settings_keys.h"

namespace tilvane {

void AppDelegate::writeFirstLaunchSettings() {
    if (!defaults) return;
    static const std::pair<const char*, bool> kFirstLaunch[] = {
        {settings_key::kEnableShotcuts, true},
        {settings_key::kWMoveSizeEnabledBrigToFront, false},
        {settings_key::kWindowMovingEnabled, false},
        {settings_key::kWindowResizingEnabled, false},
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
