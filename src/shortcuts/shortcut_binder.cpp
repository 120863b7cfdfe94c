#include "shortcuts/shortcut_binder.h"

#include <vector>

namespace tilvane {

ShortcutBinder::ShortcutBinder(SettingsStore& store, KeyedArchiver* archiver, ShortcutMonitor* monitor)
    : store_(&store), archiver_(archiver), shortcutMonitor_(monitor) {}

ShortcutBinder::ShortcutBinder(const Platform& platform)
    : ownedMonitor_(platform.hotKeys && platform.runLoop ? ShortcutMonitor::create(*platform.hotKeys, *platform.runLoop)
                                                         : nullptr),
      store_(platform.settings),
      archiver_(platform.archiver),
      shortcutMonitor_(ownedMonitor_.get()) {}

ShortcutBinder* ShortcutBinder::sharedBinder(const Platform& platform) {
    static ShortcutBinder* shared = [&]() -> ShortcutBinder* {
        if (!platform.settings) return nullptr;
        return new ShortcutBinder(*platform.settings, platform.archiver, ShortcutMonitor::sharedMonitor(platform));
    }();
    return shared;
}

ShortcutBinder::~ShortcutBinder() {
    std::vector<std::string> keys;
    for (const auto& entry : actions_) keys.push_back(entry.first);
    for (const auto& key : keys) breakBindingWithDefaultsKey(key);
}

std::shared_ptr<ShortcutValueTransformer> ShortcutBinder::transformerFor(const BindingOptions& options) const {
    if (options.valueTransformer) return options.valueTransformer;
    return valueTransformerForName(options.valueTransformerName, archiver_);
}

void ShortcutBinder::bindShortcutWithDefaultsKey(const std::string& key, Action action) {
    // The action goes in first so that the first delivery finds the key bound.
    actions_[key] = std::move(action);
    unbind(key);
    Binding binding;
    binding.transformer = transformerFor(bindingOptions_);
    if (store_) {
        binding.observer = store_->addObserver([this, key](const std::string& changed) {
            if (changed == key) deliver(key);
        });
    }
    bindings_[key] = std::move(binding);
    deliver(key);
}

void ShortcutBinder::deliver(const std::string& key) {
    auto binding = bindings_.find(key);
    if (binding == bindings_.end()) return;
    // A binding without a usable transformer reads every value as none.
    std::optional<Shortcut> value;
    if (binding->second.transformer && store_)
        value = binding->second.transformer->transformedValue(store_->objectForKey(key));
    setValueForUndefinedKey(value, key);
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
    if (store_) store_->removeObserver(it->second.observer);
    bindings_.erase(it);
}

void ShortcutBinder::registerDefaultShortcuts(const std::map<std::string, Shortcut>& defaults) {
    auto transformer = transformerFor(bindingOptions_);
    if (!transformer || !store_) return;
    for (const auto& [key, shortcut] : defaults) {
        auto stored = transformer->reverseTransformedValue(shortcut);
        if (!stored) continue;
        store_->registerDefaults(SettingsDictionary{{key, *stored}});
    }
}

}  // namespace tilvane
