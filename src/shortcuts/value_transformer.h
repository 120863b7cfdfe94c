#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "platform/archiver.h"
#include "platform/settings_store.h"
#include "shortcuts/shortcut.h"

namespace tilvane {

// Turns a value held in the settings store into a shortcut and back. The
// recorder and the binder read and write stored shortcuts through one.
class ShortcutValueTransformer {
public:
    virtual ~ShortcutValueTransformer() = default;
    // None when the value does not hold a shortcut in this transformer's form.
    virtual std::optional<Shortcut> transformedValue(const std::optional<SettingsValue>& value) const = 0;
    virtual std::optional<SettingsValue> reverseTransformedValue(const std::optional<Shortcut>& shortcut) const = 0;
};

// The stored form of shortcuts: the keyed archive of the shortcut, as data.
class KeyedUnarchiveFromDataTransformer : public ShortcutValueTransformer {
public:
    explicit KeyedUnarchiveFromDataTransformer(KeyedArchiver* archiver) : archiver_(archiver) {}
    std::optional<Shortcut> transformedValue(const std::optional<SettingsValue>& value) const override;
    // None stays none: the stored value is removed.
    std::optional<SettingsValue> reverseTransformedValue(const std::optional<Shortcut>& shortcut) const override;

private:
    KeyedArchiver* archiver_;
};

// The name of the keyed-archive transformer: the stored value is the keyed
// archive of the shortcut, as data.
inline constexpr std::string_view kKeyedUnarchiveFromDataTransformerName = "NSKeyedUnarchiveFromData";

// The transformer known under a name, or null. The archiver serves the keyed one.
std::shared_ptr<ShortcutValueTransformer> valueTransformerForName(std::string_view name, KeyedArchiver* archiver);

}  // namespace tilvane
