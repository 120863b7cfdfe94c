#include "shortcuts/shortcut_binder.h"

#include <algorithm>

#include "shortcuts/key_names.h"

namespace tilvane {

ShortcutBinder::ShortcutBinder(SettingsStore& store, KeyedArchiver* archiver, ShortcutMonitor* monitor, Log* log)
    : store_(&store), transformer_(archiver), shortcutMonitor_(monitor), log_(log) {}

ShortcutBinder::ShortcutBinder(const Platform& platform)
    : ownedMonitor_(platform.hotKeys ? ShortcutMonitor::create(*platform.hotKeys, platform.runLoop) : nullptr),
      store_(platform.settings),
      transformer_(platform.archiver),
      shortcutMonitor_(ownedMonitor_.get()),
      log_(&platform.log) {}

ShortcutBinder::~ShortcutBinder() {
    heldElsewhereChange_ = nullptr;
    // Every hot key goes; none is handed on.
    for (const auto& key : holders_) shortcutMonitor_->unregisterShortcut(shortcuts_.at(key));
    holders_.clear();
    std::vector<std::string> keys;
    for (const auto& entry : actions_) keys.push_back(entry.first);
    for (const auto& key : keys) breakBindingWithDefaultsKey(key);
}

void ShortcutBinder::bindShortcutWithDefaultsKey(const std::string& key, Action action) {
    // The action goes in first so that the first delivery finds the key bound.
    actions_[key] = std::move(action);
    if (std::find(bindingOrder_.begin(), bindingOrder_.end(), key) == bindingOrder_.end()) bindingOrder_.push_back(key);
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
    if (!actions_.count(key)) return false;
    if (value && holders_.count(key) && shortcuts_.at(key) == *value) {
        // The same combination again: the old registration goes first, and the key keeps the combination.
        shortcutMonitor_->unregisterShortcut(*value);
        holders_.erase(key);
    } else {
        release(key);
    }
    shortcuts_.erase(key);
    if (value) {
        shortcuts_.insert_or_assign(key, *value);
        registerFor(key);
    }
    return true;
}

void ShortcutBinder::release(const std::string& key) {
    setHeldElsewhere(key, false);
    if (!holders_.count(key)) return;
    Shortcut combination = shortcuts_.at(key);
    shortcutMonitor_->unregisterShortcut(combination);
    holders_.erase(key);
    for (const auto& waiting : bindingOrder_) {
        auto it = shortcuts_.find(waiting);
        if (waiting == key || it == shortcuts_.end() || !(it->second == combination)) continue;
        registerFor(waiting);
        return;
    }
}

void ShortcutBinder::registerFor(const std::string& key) {
    const Shortcut& shortcut = shortcuts_.at(key);
    for (const auto& holder : holders_) {
        if (!(shortcuts_.at(holder) == shortcut)) continue;
        if (log_)
            log_->write("shortcuts: " + key + " and " + holder + " hold the same shortcut, " + shortcutWords(shortcut) +
                        "; it stays with " + holder + " until " + holder + " changes");
        return setHeldElsewhere(key, false);
    }
    if (!shortcutMonitor_) return setHeldElsewhere(key, false);
    bool registered = shortcutMonitor_->registerShortcut(shortcut, actions_.at(key));
    if (registered) holders_.insert(key);
    setHeldElsewhere(key, !registered && shortcutMonitor_->isHeldByAnotherProgram(shortcut));
}

void ShortcutBinder::setHeldElsewhere(const std::string& key, bool held) {
    bool changed = held ? heldElsewhere_.insert(key).second : heldElsewhere_.erase(key) > 0;
    if (changed && heldElsewhereChange_) heldElsewhereChange_();
}

void ShortcutBinder::registerHeldElsewhereAgain() {
    std::set<std::string> keys = heldElsewhere_;
    for (const auto& key : keys)
        if (shortcuts_.count(key) && !holders_.count(key)) registerFor(key);
}

std::optional<Shortcut> ShortcutBinder::valueForUndefinedKey(const std::string& key) const {
    auto it = shortcuts_.find(key);
    if (it == shortcuts_.end()) return std::nullopt;
    return it->second;
}

void ShortcutBinder::breakBindingWithDefaultsKey(const std::string& key) {
    release(key);
    shortcuts_.erase(key);
    actions_.erase(key);
    std::erase(bindingOrder_, key);
    unbind(key);
}

void ShortcutBinder::unbind(const std::string& key) {
    auto it = bindings_.find(key);
    if (it == bindings_.end()) return;
    store_->removeObserver(it->second);
    bindings_.erase(it);
}

}  // namespace tilvane
