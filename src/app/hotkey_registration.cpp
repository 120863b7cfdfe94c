#include "app/hotkey_registration.h"

#include <chrono>

#include "app/action_dispatcher.h"
#include "app/action_table.h"
#include "platform/settings_keys.h"
#include "shortcuts/shortcut.h"
#include "shortcuts/shortcut_binder.h"
#include "shortcuts/shortcut_validator.h"

namespace tilvane {

namespace {
// An editor that saves by renaming the old file away leaves no file for a moment.
constexpr auto kEmptySettingsGrace = std::chrono::milliseconds(300);

constexpr std::pair<const char*, bool> kFirstLaunch[] = {
    {settings_key::kEnableShotcuts, true},
    {settings_key::kWMoveSizeEnabledBrigToFront, false},
    {settings_key::kWindowMovingEnabled, false},
    {settings_key::kWindowResizingEnabled, false},
};
}  // namespace

HotKeyRegistration::HotKeyRegistration(const Platform& platform, ActionDispatcher& dispatcher,
                                       std::function<void()> showPreferences)
    : platform_(platform), dispatcher_(dispatcher), showPreferences_(std::move(showPreferences)) {}

HotKeyRegistration::~HotKeyRegistration() {
    stopWatchingForEmptySettings();
    stopFollowingShortcutSwitch();
}

ShortcutBinder& HotKeyRegistration::shortcutBinder() {
    if (shortcutBinder_) return *shortcutBinder_;
    shortcutBinder_ = std::make_shared<ShortcutBinder>(platform_);
    shortcutBinder_->onHeldElsewhereChange([this] {
        if (!heldElsewhereObserver_) return;
        std::vector<std::string> keys;
        for (const ActionInfo* action : actionsHeldByOtherPrograms()) keys.emplace_back(action->settingsKey);
        heldElsewhereObserver_(keys);
    });
    return *shortcutBinder_;
}

void HotKeyRegistration::observeShortcutsHeldElsewhere(
    std::function<void(const std::vector<std::string>& keys)> observer) {
    heldElsewhereObserver_ = std::move(observer);
}

void HotKeyRegistration::registerHotkeys(bool reset) {
    keysArray_.clear();
    for (int64_t code : kRegistrationOrder) {
        const ActionInfo* info = actionForCode(code);
        if (!info) continue;
        Shortcut shortcut = Shortcut::shortcutWithKeyCode(info->defaultKeyCode, info->defaultModifierFlags);
        registerDefaultsForKey(std::string(info->settingsKey), shortcut, static_cast<uint64_t>(code), reset);
    }
}

void HotKeyRegistration::registerDefaultsForKey(const std::string& key, const Shortcut& shortcut, uint64_t direction,
                                                bool reset) {
    keysArray_.push_back(HotKeyEntry{key, static_cast<int64_t>(direction)});
    if (!platform_.settings) return;
    // Whatever the key holds stays, unless the defaults are being restored.
    if (!reset && platform_.settings->objectForKey(key)) return;
    if (!platform_.archiver) return;
    // A shortcut another program stores meanwhile (a command run while the
    // settings were gone) goes before the default.
    SettingsValue value(archiveShortcut(*platform_.archiver, shortcut));
    if (reset)
        platform_.settings->setObject(key, std::move(value));
    else
        platform_.settings->fillIn(key, std::move(value));
    platform_.settings->synchronize();
}

void HotKeyRegistration::activateHotkeys() {
    ShortcutBinder& binder = shortcutBinder();
    for (const HotKeyEntry& entry : keysArray_) {
        binder.bindShortcutWithDefaultsKey(
            entry.defaultsKey, [this, entry] { dispatcher_.moveWindowToDirection(entry.directrion, false); });
    }
}

void HotKeyRegistration::deactivateHotkeys() {
    ShortcutBinder& binder = shortcutBinder();
    for (const HotKeyEntry& entry : keysArray_) binder.breakBindingWithDefaultsKey(entry.defaultsKey);
}

void HotKeyRegistration::restoreDefaults() {
    registerHotkeys(true);
    if (hotKeysBound_ || !shortcutSwitchObserver_) activateHotkeys();
}

void HotKeyRegistration::followShortcutSwitch() {
    auto follow = [this] {
        bool on = platform_.settings && platform_.settings->boolForKey(settings_key::kEnableShotcuts);
        if (on == hotKeysBound_) return;
        hotKeysBound_ = on;
        if (on)
            activateHotkeys();
        else
            deactivateHotkeys();
    };
    follow();
    if (!platform_.settings || shortcutSwitchObserver_) return;
    std::weak_ptr<bool> alive = alive_;
    shortcutSwitchObserver_ = platform_.settings->addObserver([this, follow, alive](const std::string&) {
        // After the change that turned it, on the loop: the binder follows the
        // same settings and may be telling its own observers now.
        platform_.runLoop.async([follow, alive] {
            if (!alive.expired()) follow();
        });
    });
}

void HotKeyRegistration::registerHeldElsewhereAgain() {
    if (hotKeysBound_) shortcutBinder().registerHeldElsewhereAgain();
}

bool HotKeyRegistration::isHeldByAnotherProgram(const std::string& key) const {
    return shortcutBinder_ && shortcutBinder_->isHeldByAnotherProgram(key);
}

std::vector<const ActionInfo*> HotKeyRegistration::actionsHeldByOtherPrograms() {
    std::vector<const ActionInfo*> held;
    if (!shortcutBinder_) return held;
    for (const ActionInfo& action : kActions)
        if (shortcutBinder_->isHeldByAnotherProgram(std::string(action.settingsKey))) held.push_back(&action);
    return held;
}

std::optional<std::string> HotKeyRegistration::shortcutHeldByAnotherProgram(const std::string& key) {
    if (!shortcutBinder_ || !shortcutBinder_->isHeldByAnotherProgram(key)) return std::nullopt;
    return heldByAnotherProgramExplanation();
}

void HotKeyRegistration::reportShortcutsHeldElsewhere() {
    auto held = actionsHeldByOtherPrograms();
    if (held.empty()) return;
    std::string names, keys;
    for (const ActionInfo* action : held) {
        std::string title = action->menuTitle.empty() ? std::string(action->name) : std::string(action->menuTitle);
        names += (names.empty() ? "" : ", ") + title;
        keys += (keys.empty() ? "" : ", ") + std::string(action->settingsKey);
    }
    platform_.log.write(
        "shortcuts: another program (the window manager or the desktop, say) holds the "
        "shortcuts of " +
        keys + "; they do nothing here until it lets go of them or they are changed");
    if (!platform_.userInterface) return;
    UserInterface::Notification notification;
    notification.title = held.size() == 1 ? "A Tilvane shortcut is taken" : "Some Tilvane shortcuts are taken";
    notification.body = "Another program, such as your desktop or window manager, uses the shortcut" +
                        std::string(held.size() == 1 ? " of " : "s of ") + names +
                        ". Choose other shortcuts in Tilvane, or free them there.";
    notification.actionTitle = "Open Shortcuts";
    std::weak_ptr<bool> alive = alive_;
    notification.onAction = [this, alive] {
        if (alive.expired() || !platform_.settings) return;
        platform_.settings->setObject(settings_key::kPreferencesSelectedIdentifierView,
                                      SettingsValue(std::string("Shortcuts")));
        if (showPreferences_) showPreferences_();
    };
    platform_.userInterface->postNotification(std::move(notification));
}

void HotKeyRegistration::stopFollowingShortcutSwitch() {
    if (shortcutSwitchObserver_ && platform_.settings) platform_.settings->removeObserver(*shortcutSwitchObserver_);
    shortcutSwitchObserver_.reset();
    hotKeysBound_ = false;
}

std::optional<Shortcut> HotKeyRegistration::shortCutWithKey(const std::string& key) {
    if (!platform_.settings) return std::nullopt;
    return shortcutWithData(platform_.settings->dataForKey(key));
}

std::optional<Shortcut> HotKeyRegistration::shortcutWithData(const std::optional<std::vector<uint8_t>>& data) {
    if (!data || !platform_.archiver) return std::nullopt;
    return unarchiveShortcut(*platform_.archiver, *data);
}

void HotKeyRegistration::writeFirstLaunchSettings() {
    if (!platform_.settings) return;
    for (const auto& [key, value] : kFirstLaunch) {
        if (platform_.settings->objectForKey(key)) continue;
        platform_.settings->fillIn(key, SettingsValue(value));
        platform_.settings->synchronize();
    }
}

void HotKeyRegistration::watchForEmptySettings() {
    if (!platform_.settings || emptySettingsObserver_) return;
    RunLoop& loop = platform_.runLoop;
    std::weak_ptr<bool> alive = alive_;
    // Changes come in bursts of one key each; the keys are counted once the burst is over.
    emptySettingsObserver_ = platform_.settings->addObserver([this, &loop, alive](const std::string&) {
        if (emptySettingsCheckQueued_) return;
        emptySettingsCheckQueued_ = true;
        loop.async([this, &loop, alive] {
            if (alive.expired()) return;
            emptySettingsCheckQueued_ = false;
            if (!emptySettingsObserver_ || !platform_.settings->keys().empty()) return;
            loop.after(kEmptySettingsGrace, [this, alive] {
                if (alive.expired() || !emptySettingsObserver_) return;
                // Whatever came meanwhile (a command's change in a new folder, say) stays; the rest
                // is filled in as start-up fills it. What was stored is read first: a busy
                // machine may not yet have told the store, and the defaults would go over it.
                platform_.settings->refresh();
                if (!lacksStartUpSettings()) return;
                platform_.log.write(
                    "settings: the settings file was emptied or removed; the defaults are "
                    "stored and used again");
                writeFirstLaunchSettings();
                registerHotkeys(false);
            });
        });
    });
}

bool HotKeyRegistration::lacksStartUpSettings() const {
    for (const auto& entry : kFirstLaunch)
        if (!platform_.settings->objectForKey(entry.first)) return true;
    for (const ActionInfo& action : kActions)
        if (!platform_.settings->objectForKey(std::string(action.settingsKey))) return true;
    return false;
}

void HotKeyRegistration::stopWatchingForEmptySettings() {
    if (emptySettingsObserver_ && platform_.settings) platform_.settings->removeObserver(*emptySettingsObserver_);
    emptySettingsObserver_.reset();
}

}  // namespace tilvane
