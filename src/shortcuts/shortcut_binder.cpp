#include "shortcuts/shortcut_binder.h"

#include <vector>

namespace tilvane {

ShortcutBinder::ShortcutBinder(SettingsStore& store, KeyedArchiver* archiver, ShortcutMonitor* monitor)
    : store_(&store), transformer_(archiver), shortcutMonitor_(monitor) {}

ShortcutBinder::ShortcutBinder(const Platform& platform)
    : ownedMonitor_(platform.hotKeys && platform.runLoop ? ShortcutMonitor::create(*platform.hotKeys, *platform.runLoop)
                                                         : nullptr),
      store_(platform.settings),
      transformer_(platform.archiver),
      shortcutMonitor_(ownedMonitor_.get()) {}

ShortcutBinder::~ShortcutBinder() {
    std::vector<std::string> keys;
    for (const auto& entry : actions_) keys.push_back(entry.first);
    for (const auto& key : keys) breakBindingWithDefaultsKey(key);
}

void ShortcutBinder::bindShortcutWithDefaultsKey(const std::string& key, Action action) {
    // The action goes in first so that the first delivery finds the key bound.
    actions_[key] = std::move(action);
    unbind(key);
    if (store_) {
        bindings_[key] = store_->addObserver([this, key](const std::string& changed) {
            if (changed == key) deliver(key);
        });
    }
    deliver(key);
}

void ShortcutBinder::deliver(const std::string& key) {
    if (!store_ || !bindings_.count(key)) return;
    setValueForUndefinedKey(transformer_.transformedValue(store_->objectForKey(key)), key);
}

bool ShortcutBinder::setValueForUndefinedKey(const std::optional<Shortcut>& value, const std::string& key) {
    auto action = actions_.find(key);
    if (action == actions_.end()) return false;
    if (auto old = shortcuts_.find(key); old != shortcuts_.end()) {
        // The old registration goes first, even when the new value is the same combination.
        if (shortcutMonitor_) shortcutMonitor_->unregisterShortcut(old->second);
        shortcuts_.erase(old);
    }
    if (value) {
        shortcuts_.insert_or_assign(key, *value);
        if (shortcutMonitor_) shortcutMonitor_->registerShortcut(*value, action->second);
    }
    return true;
}

std::optional<Shortcut> ShortcutBinder::valueForUndefinedKey(const std::string& key) const {
    auto it = shortcuts_.find(key);
    if (it == shortcuts_.end()) return std::nullopt;
    return it->second;
}

void ShortcutBinder::breakBindingWithDefaultsKey(const std::string& key) {
    if (auto it = shortcuts_.find(key); it != shortcuts_.end()) {
        if (shortcutMonitor_) shortcutMonitor_->unregisterShortcut(it->second);
        shortcuts_.erase(it);
    }
    actions_.erase(key);
    unbind(key);
}

void ShortcutBinder::unbind(const std::string& key) {
    auto it = bindings_.find(key);
    if (it == bindings_.end()) return;
    store_->removeObserver(it->second);
    bindings_.erase(it);
}

}  // namespace tilvane
