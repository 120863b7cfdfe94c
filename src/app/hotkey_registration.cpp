// The hot keys of the window actions: their default shortcuts in the settings
// store, and their binding to the dispatch.

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "platform/settings_keys.h"
#include "shortcuts/shortcut.h"
#include "shortcuts/shortcut_binder.h"
#include "shortcuts/shortcut_validator.h"

namespace tilvane {

ShortcutBinder& AppDelegate::shortcutBinder() {
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

void AppDelegate::observeShortcutsHeldElsewhere(std::function<void(const std::vector<std::string>& keys)> observer) {
    heldElsewhereObserver_ = std::move(observer);
}

void AppDelegate::registerHotkeys(bool reset) {
    keysArray_.clear();
    for (int64_t code : kRegistrationOrder) {
        const ActionInfo* info = actionForCode(code);
        if (!info) continue;
        Shortcut shortcut = Shortcut::shortcutWithKeyCode(info->defaultKeyCode, info->defaultModifierFlags);
        registerDefaultsForKey(std::string(info->settingsKey), shortcut, static_cast<uint64_t>(code), reset);
    }
}

void AppDelegate::registerDefaultsForKey(const std::string& key, const Shortcut& shortcut, uint64_t direction,
                                         bool reset) {
    keysArray_.push_back(HotKeyEntry{key, static_cast<int64_t>(direction)});
    if (!defaults) return;
    // Whatever the key holds stays, unless the defaults are being restored.
    if (!reset && defaults->objectForKey(key)) return;
    if (!platform_.archiver) return;
    defaults->setObject(key, SettingsValue(archiveShortcut(*platform_.archiver, shortcut)));
    defaults->synchronize();
}

void AppDelegate::activateHotkeys() {
    ShortcutBinder& binder = shortcutBinder();
    for (const HotKeyEntry& entry : keysArray_) {
        binder.bindShortcutWithDefaultsKey(entry.defaultsKey,
                                           [this, entry] { moveWindowToDirection(entry.directrion, false); });
    }
}

void AppDelegate::deactivateHotkeys() {
    ShortcutBinder& binder = shortcutBinder();
    for (const HotKeyEntry& entry : keysArray_) binder.breakBindingWithDefaultsKey(entry.defaultsKey);
}

void AppDelegate::restoreDefaults() {
    registerHotkeys(true);
    if (hotKeysBound_ || !shortcutSwitchObserver_) activateHotkeys();
}

void AppDelegate::followShortcutSwitch() {
    auto follow = [this] {
        bool on = defaults && defaults->boolForKey(settings_key::kEnableShotcuts);
        if (on == hotKeysBound_) return;
        hotKeysBound_ = on;
        if (on)
            activateHotkeys();
        else
            deactivateHotkeys();
    };
    follow();
    if (!defaults || shortcutSwitchObserver_) return;
    std::weak_ptr<bool> alive = alive_;
    shortcutSwitchObserver_ = defaults->addObserver([this, follow, alive](const std::string&) {
        // After the change that turned it, on the loop: the binder follows the
        // same settings and may be telling its own observers now.
        if (!platform_.runLoop) return follow();
        platform_.runLoop->async([follow, alive] {
            if (!alive.expired()) follow();
        });
    });
}

std::vector<const ActionInfo*> AppDelegate::actionsHeldByOtherPrograms() {
    std::vector<const ActionInfo*> held;
    if (!shortcutBinder_) return held;
    for (const ActionInfo& action : kActions)
        if (shortcutBinder_->isHeldByAnotherProgram(std::string(action.settingsKey))) held.push_back(&action);
    return held;
}

std::optional<std::string> AppDelegate::shortcutHeldByAnotherProgram(const std::string& key) {
    if (!shortcutBinder_ || !shortcutBinder_->isHeldByAnotherProgram(key)) return std::nullopt;
    return heldByAnotherProgramExplanation();
}

void AppDelegate::reportShortcutsHeldElsewhere() {
    auto held = actionsHeldByOtherPrograms();
    if (held.empty()) return;
    std::string names, keys;
    for (const ActionInfo* action : held) {
        std::string title = action->menuTitle.empty() ? std::string(action->name) : std::string(action->menuTitle);
        names += (names.empty() ? "" : ", ") + title;
        keys += (keys.empty() ? "" : ", ") + std::string(action->settingsKey);
    }
    if (platform_.log)
        platform_.log->write(
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
        if (alive.expired() || !defaults) return;
        defaults->setObject(settings_key::kPreferencesSelectedIdentifierView, SettingsValue(std::string("Shortcuts")));
        showPreferecensPane();
    };
    platform_.userInterface->postNotification(std::move(notification));
}

void AppDelegate::stopFollowingShortcutSwitch() {
    if (shortcutSwitchObserver_ && defaults) defaults->removeObserver(*shortcutSwitchObserver_);
    shortcutSwitchObserver_.reset();
    hotKeysBound_ = false;
}

std::optional<Shortcut> AppDelegate::shortCutWithKey(const std::string& key) {
    if (!defaults) return std::nullopt;
    return shortcutWithData(defaults->dataForKey(key));
}

std::optional<Shortcut> AppDelegate::shortcutWithData(const std::optional<std::vector<uint8_t>>& data) {
    if (!data || !platform_.archiver) return std::nullopt;
    return unarchiveShortcut(*platform_.archiver, *data);
}

}  // namespace tilvane
