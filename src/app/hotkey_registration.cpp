// The hot keys of the window actions: their default shortcuts in the settings
// store, and their binding to the dispatch.

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "platform/settings_keys.h"
#include "shortcuts/shortcut.h"
#include "shortcuts/shortcut_binder.h"

namespace tilvane {

ShortcutBinder& AppDelegate::shortcutBinder() {
    if (!shortcutBinder_) shortcutBinder_ = std::make_shared<ShortcutBinder>(platform_);
    return *shortcutBinder_;
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
