// Start-up and termination of the application.

#include <chrono>

#include "app/action_table.h"
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
// An editor that saves by renaming the old file away leaves no file for a moment.
constexpr auto kEmptySettingsGrace = std::chrono::milliseconds(300);
}  // namespace

namespace {
constexpr std::pair<const char*, bool> kFirstLaunch[] = {
    {settings_key::kEnableShotcuts, true},
    {settings_key::kWMoveSizeEnabledBrigToFront, false},
    {settings_key::kWindowMovingEnabled, false},
    {settings_key::kWindowResizingEnabled, false},
};
}  // namespace

void AppDelegate::writeFirstLaunchSettings() {
    if (!defaults) return;
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
    followShortcutSwitch();
    watchForEmptySettings();
    setupStatusMenuItem();
    reportShortcutsHeldElsewhere();
    // Only what the desktop lets the program see: where the pointer goes
    // over other windows, modifier-drag and snap; where the touchpad goes, swipes.
    const DesktopCapabilities& can = platform_.capabilities;
    if (platform_.eventMonitors && can.pointerEverywhere.available) {
        resizeMan = std::make_shared<MoveResizeManager>(platform_);
        snapMan = std::make_shared<SnapToEdgeSwitch>(platform_, layoutManager());
    }
    if (platform_.eventMonitors && can.swipes.available)
        swipeMan = std::make_shared<SwipeManager>(platform_, layoutManager());
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
    stopWatchingForEmptySettings();
    stopFollowingShortcutSwitch();
    deactivateHotkeys();
}

void AppDelegate::watchForEmptySettings() {
    if (!defaults || !platform_.runLoop || emptySettingsObserver_) return;
    RunLoop& loop = *platform_.runLoop;
    std::weak_ptr<bool> alive = alive_;
    // Changes come in bursts of one key each; the keys are counted once the burst is over.
    emptySettingsObserver_ = defaults->addObserver([this, &loop, alive](const std::string&) {
        if (emptySettingsCheckQueued_) return;
        emptySettingsCheckQueued_ = true;
        loop.async([this, &loop, alive] {
            if (alive.expired()) return;
            emptySettingsCheckQueued_ = false;
            if (!emptySettingsObserver_ || !defaults->keys().empty()) return;
            loop.after(kEmptySettingsGrace, [this, alive] {
                if (alive.expired() || !emptySettingsObserver_) return;
                // Whatever came meanwhile (a command's change in a new folder, say) stays; the rest
                // is filled in as start-up fills it. What was stored is read first: a busy
                // machine may not yet have told the store, and the defaults would go over it.
                defaults->refresh();
                if (!lacksStartUpSettings()) return;
                if (platform_.log)
                    platform_.log->write(
                        "settings: the settings file was emptied or removed; the defaults are "
                        "stored and used again");
                writeFirstLaunchSettings();
                registerHotkeys(false);
            });
        });
    });
}

bool AppDelegate::lacksStartUpSettings() const {
    for (const auto& entry : kFirstLaunch)
        if (!defaults->objectForKey(entry.first)) return true;
    for (const ActionInfo& action : kActions)
        if (!defaults->objectForKey(std::string(action.settingsKey))) return true;
    return false;
}

void AppDelegate::stopWatchingForEmptySettings() {
    if (emptySettingsObserver_ && defaults) defaults->removeObserver(*emptySettingsObserver_);
    emptySettingsObserver_.reset();
}

}  // namespace tilvane
