// Start-up and termination of the application.

#include "app/app_delegate.h"
#include "install/move_to_applications.h"
#include "interaction/move_resize_manager.h"
#include "interaction/snap_manager.h"
#include "interaction/swipe_manager.h"
#include "platform/settings_keys.h"

namespace tilvane {

const char* const kBetaFeedURL = "https://tilvane.example/updates/beta.xml";

namespace {
// Beta updates are looked for every twelve hours.
constexpr double kBetaUpdateCheckInterval = 43200;
}  // namespace

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
    moveToApplicationsFolderIfNecessary(platform_);
    if (platform_.supportKit) {
        platform_.supportKit->sendTrackingReport();
        platform_.supportKit->setupIssuesController(true);
    }
    defaults = platform_.settings;
    if (platform_.userInterface) {
        bool hidden = defaults && defaults->boolForKey("HideDocIcon");
        platform_.userInterface->setActivationPolicy(hidden ? UserInterface::ActivationPolicy::Accessory
                                                            : UserInterface::ActivationPolicy::Regular);
    }
    writeFirstLaunchSettings();
    if (!accessibilityEnabled()) openAccessibility();
    if (SupportUpdater* updater = platform_.updater) {
        bool beta = defaults && defaults->boolForKey("SUUpdaterChecksForBetaUpdates");
        updater->setDelegate(this);
        updater->setFeedURL(getFeedURL());
        updater->setAutomaticallyChecksForUpdates(defaults && defaults->boolForKey("CMTEnableAutomaticChecks"));
        updater->checkForUpdatesInBackground();
        if (beta) updater->setUpdateCheckInterval(kBetaUpdateCheckInterval);
        updater->setAutomaticallyChecksForUpdates(true);
        updater->checkForUpdatesInBackground();
    }
    registerHotkeys(false);
    activateHotkeys();
    setupStatusMenuItem();
    if (platform_.eventMonitors) {
        resizeMan = std::make_shared<MoveResizeManager>(platform_);
        swipeMan = std::make_shared<SwipeManager>(platform_, layoutManager());
        snapMan = std::make_shared<SnapToEdgeSwitch>(platform_, layoutManager());
    }
    if (platform_.supportKit) {
        platform_.supportKit->sendTrackingReport();
        platform_.supportKit->setupIssuesController(true);
    }
}

std::optional<std::string> AppDelegate::getFeedURL() {
    if (defaults && defaults->boolForKey("SUUpdaterChecksForBetaUpdates")) return kBetaFeedURL;
    if (!defaults) return std::nullopt;
    return defaults->stringForKey("SUFeedURL");
}

void AppDelegate::showAboutPanel() {
    if (!platform_.userInterface) return;
    platform_.userInterface->orderFrontStandardAboutPanel();
    platform_.userInterface->activateIgnoringOtherApps(true);
}

void AppDelegate::checkUpates() {
    if (platform_.userInterface) platform_.userInterface->activateIgnoringOtherApps(true);
    if (platform_.updater) platform_.updater->checkForUpdates();
}

void AppDelegate::showFeedbackDialog() {
    if (platform_.userInterface) platform_.userInterface->activateIgnoringOtherApps(true);
    if (platform_.supportKit) platform_.supportKit->showFeedbackDialog(0);
}

void AppDelegate::applicationWillTerminate() {
    deactivateHotkeys();
}

}  // namespace tilvane
