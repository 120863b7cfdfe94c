// Start-up and termination of the application.

#include "app/app_delegate.h"
#include "install/move_to_applications.h"
#include "interaction/move_resize_manager.h"
#include "interaction/snap_manager.h"
#include "interaction/swipe_manager.h"

namespace tilvane {

const char* const kBetaFeedURL = "https://tilvane.example/updates/beta.xml";

namespace {
// Beta updates are looked for every twelve hours.
constexpr double kBetaUpdateCheckInterval = 43200;
}  // namespace

void AppDelegate::applicationDidFinishLaunching() {
    moveToApplicationsFolderIfNecessary(platform_);
    if (platform_.supportKit) {
        platform_.supportKit->sendTrackingReport();
        platform_.supportKit->setupIssuesController(true);
    }
    if (platform_.userInterface) {
        bool hidden = defaults() && defaults()->boolForKey("HideDocIcon");
        platform_.userInterface->setActivationPolicy(hidden ? UserInterface::ActivationPolicy::Accessory
                                                            : UserInterface::ActivationPolicy::Regular);
    }
    hotKeys_->writeFirstLaunchSettings();
    if (!accessibilityEnabled()) openAccessibility();
    if (SupportUpdater* updater = platform_.updater) {
        bool beta = defaults() && defaults()->boolForKey("SUUpdaterChecksForBetaUpdates");
        updater->setDelegate(this);
        updater->setFeedURL(getFeedURL());
        updater->setAutomaticallyChecksForUpdates(defaults() && defaults()->boolForKey("CMTEnableAutomaticChecks"));
        updater->checkForUpdatesInBackground();
        if (beta) updater->setUpdateCheckInterval(kBetaUpdateCheckInterval);
        updater->setAutomaticallyChecksForUpdates(true);
        updater->checkForUpdatesInBackground();
    }
    hotKeys_->registerHotkeys(false);
    hotKeys_->followShortcutSwitch();
    hotKeys_->watchForEmptySettings();
    statusMenu_->setupStatusMenuItem();
    hotKeys_->reportShortcutsHeldElsewhere();
    // Only what the desktop lets the program see: where the pointer goes
    // over other windows, modifier-drag and snap; where the touchpad goes, swipes.
    const DesktopCapabilities& can = platform_.capabilities;
    if (platform_.eventMonitors && can.pointerEverywhere.available) {
        resizeMan_ = std::make_unique<MoveResizeManager>(platform_);
        snapMan_ = std::make_unique<SnapToEdgeSwitch>(platform_, layoutManager());
    }
    if (platform_.eventMonitors && can.swipes.available)
        swipeMan_ = std::make_unique<SwipeManager>(platform_, layoutManager());
    if (platform_.supportKit) {
        platform_.supportKit->sendTrackingReport();
        platform_.supportKit->setupIssuesController(true);
    }
}

std::optional<std::string> AppDelegate::getFeedURL() {
    if (defaults() && defaults()->boolForKey("SUUpdaterChecksForBetaUpdates")) return kBetaFeedURL;
    if (!defaults()) return std::nullopt;
    return defaults()->stringForKey("SUFeedURL");
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
    hotKeys_->stopWatchingForEmptySettings();
    hotKeys_->stopFollowingShortcutSwitch();
    hotKeys_->deactivateHotkeys();
}

}  // namespace tilvane
