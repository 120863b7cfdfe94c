#include "platform/sim/memory_settings_store.h"

namespace tilvane::sim {

std::optional<SettingsValue> MemorySettingsStore::objectForKey(const std::string& key) const {
    if (auto it = values_.find(key); it != values_.end()) return it->second;
    if (auto it = registered_.find(key); it != registered_.end()) return it->second;
    return std::nullopt;
}

void MemorySettingsStore::setObject(const std::string& key, SettingsValue value) {
    values_[key] = std::move(value);
    writtenKeys_.push_back(key);
    notify(key);
}

void MemorySettingsStore::removeObject(const std::string& key) {
    if (values_.erase(key) > 0) notify(key);
}

bool MemorySettingsStore::synchronize() {
    ++synchronizeCount_;
    return true;
}

void MemorySettingsStore::registerDefaults(const SettingsDictionary& defaults) {
    for (const auto& [key, value] : defaults) {
        registered_[key] = value;
        if (!values_.count(key)) notify(key);
    }
}

std::vector<std::string> MemorySettingsStore::keys() const {
    std::vector<std::string> result;
    for (const auto& entry : values_) result.push_back(entry.first);
    return result;
}

SettingsStore::ObserverId MemorySettingsStore::addObserver(Observer observer) {
    auto id = nextObserver_++;
    observers_[id] = std::move(observer);
    return id;
}

void MemorySettingsStore::removeObserver(ObserverId id) {
    observers_.erase(id);
}

void MemorySettingsStore::notify(const std::string& key) {
    // Observers may add or remove observers while being told.
    auto snapshot = observers_;
    for (auto& [id, observer] : snapshot)
        if (observers_.count(id)) observer(key);
}

void MemorySettingsStore::refresh() {
    auto stored = std::move(elsewhere_);
    elsewhere_.clear();
    for (auto& [key, value] : stored) setObject(key, std::move(value));
}

}  // namespace tilvane::sim
