// The hot keys of the window actions: their default shortcuts in the settings
// store, and their binding to the dispatch.

#include "app/action_table.h"
#include "app/app_delegate.h"
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
    activateHotkeys();
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
