#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tilvane {

struct SettingsValue;
using SettingsData = std::vector<uint8_t>;
using SettingsArray = std::vector<SettingsValue>;
using SettingsDictionary = std::map<std::string, SettingsValue>;

// A typed value of the settings store: boolean, integer, real, text, data,
// array or dictionary.
struct SettingsValue {
    std::variant<bool, int64_t, double, std::string, SettingsData, SettingsArray, SettingsDictionary> value;

    SettingsValue() : value(false) {}
    SettingsValue(bool b) : value(b) {}
    SettingsValue(int v) : value(int64_t{v}) {}
    SettingsValue(int64_t v) : value(v) {}
    SettingsValue(double v) : value(v) {}
    SettingsValue(std::string s) : value(std::move(s)) {}
    SettingsValue(const char* s) : value(std::string(s)) {}
    SettingsValue(SettingsData d) : value(std::move(d)) {}
    SettingsValue(SettingsArray a) : value(std::move(a)) {}
    SettingsValue(SettingsDictionary d) : value(std::move(d)) {}

    friend bool operator==(const SettingsValue&, const SettingsValue&) = default;
};

// The per-user settings domain. An absent key is not the same as false;
// reading a boolean from an absent key gives false. Values registered with
// registerDefaults are a fallback that is never written to storage.
// Observers hear about every change of a key, whoever made it, on the run
// loop's thread.
class SettingsStore {
public:
    using Observer = std::function<void(const std::string& key)>;
    using ObserverId = uint64_t;

    virtual ~SettingsStore() = default;

    // The user's value, else the registered default, else none.
    virtual std::optional<SettingsValue> objectForKey(const std::string& key) const = 0;
    virtual void setObject(const std::string& key, SettingsValue value) = 0;
    virtual void removeObject(const std::string& key) = 0;
    // Stores the value where the key holds none, for a setting filled in on
    // the user's behalf (a default written at start-up): what another
    // program stores there before this one writes stays.
    virtual void fillIn(const std::string& key, SettingsValue value) {
        if (!objectForKey(key)) setObject(key, std::move(value));
    }
    // Writes pending changes through to storage. False when the write failed.
    virtual bool synchronize() = 0;
    // Reads what other programs stored since the store last looked, now
    // rather than when it next hears of it; observers hear of what changed.
    virtual void refresh() {}
    virtual void registerDefaults(const SettingsDictionary& defaults) = 0;
    // Every key the user's domain holds, in key order.
    virtual std::vector<std::string> keys() const = 0;

    virtual ObserverId addObserver(Observer observer) = 0;
    virtual void removeObserver(ObserverId id) = 0;

    // Why the stored settings could not be read when last tried (the values in
    // use are then the ones read before, if any); none when they were read.
    virtual std::optional<std::string> readProblem() const { return std::nullopt; }

    bool boolForKey(const std::string& key) const;
    int64_t integerForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<SettingsData> dataForKey(const std::string& key) const;
    void setBool(const std::string& key, bool value) { setObject(key, SettingsValue(value)); }
};

inline bool SettingsStore::boolForKey(const std::string& key) const {
    auto v = objectForKey(key);
    if (!v) return false;
    if (auto b = std::get_if<bool>(&v->value)) return *b;
    if (auto i = std::get_if<int64_t>(&v->value)) return *i != 0;
    if (auto d = std::get_if<double>(&v->value)) return *d != 0;
    if (auto s = std::get_if<std::string>(&v->value)) return *s == "YES" || *s == "true" || *s == "1";
    return false;
}

inline int64_t SettingsStore::integerForKey(const std::string& key) const {
    auto v = objectForKey(key);
    if (!v) return 0;
    if (auto b = std::get_if<bool>(&v->value)) return *b ? 1 : 0;
    if (auto i = std::get_if<int64_t>(&v->value)) return *i;
    if (auto d = std::get_if<double>(&v->value)) return static_cast<int64_t>(*d);
    return 0;
}

inline std::optional<std::string> SettingsStore::stringForKey(const std::string& key) const {
    auto v = objectForKey(key);
    if (!v) return std::nullopt;
    if (auto s = std::get_if<std::string>(&v->value)) return *s;
    return std::nullopt;
}

inline std::optional<SettingsData> SettingsStore::dataForKey(const std::string& key) const {
    auto v = objectForKey(key);
    if (!v) return std::nullopt;
    if (auto d = std::get_if<SettingsData>(&v->value)) return *d;
    return std::nullopt;
}

}  // namespace tilvane
