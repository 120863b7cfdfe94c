#pragma once

#include <map>

#include "platform/settings_store.h"

namespace tilvane::sim {

// A settings store held in memory. Observers are told of each change at once.
class MemorySettingsStore : public SettingsStore {
public:
    std::optional<SettingsValue> objectForKey(const std::string& key) const override;
    void setObject(const std::string& key, SettingsValue value) override;
    void removeObject(const std::string& key) override;
    bool synchronize() override;
    void registerDefaults(const SettingsDictionary& defaults) override;
    std::vector<std::string> keys() const override;
    ObserverId addObserver(Observer observer) override;
    void removeObserver(ObserverId id) override;

    void refresh() override;
    // Another program stores a value the store takes only when it next looks (refresh).
    void storeElsewhere(const std::string& key, SettingsValue value) { elsewhere_[key] = std::move(value); }

    int synchronizeCount() const { return synchronizeCount_; }
    // The keys written since creation, in order (a test's view of "what was stored").
    const std::vector<std::string>& writtenKeys() const { return writtenKeys_; }
    const SettingsDictionary& userDomain() const { return values_; }

private:
    void notify(const std::string& key);

    SettingsDictionary values_;
    SettingsDictionary registered_;
    SettingsDictionary elsewhere_;
    std::map<ObserverId, Observer> observers_;
    ObserverId nextObserver_ = 1;
    int synchronizeCount_ = 0;
    std::vector<std::string> writtenKeys_;
};

}  // namespace tilvane::sim
