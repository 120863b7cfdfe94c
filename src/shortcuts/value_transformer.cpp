#include "shortcuts/value_transformer.h"

namespace tilvane {

std::optional<Shortcut> KeyedUnarchiveFromDataTransformer::transformedValue(
    const std::optional<SettingsValue>& value) const {
    if (!value || !archiver_) return std::nullopt;
    auto data = std::get_if<SettingsData>(&value->value);
    if (!data) return std::nullopt;
    return unarchiveShortcut(*archiver_, *data);
}

std::optional<SettingsValue> KeyedUnarchiveFromDataTransformer::reverseTransformedValue(
    const std::optional<Shortcut>& shortcut) const {
    if (!shortcut || !archiver_) return std::nullopt;
    return SettingsValue(archiveShortcut(*archiver_, *shortcut));
}

std::shared_ptr<ShortcutValueTransformer> valueTransformerForName(std::string_view name, KeyedArchiver* archiver) {
    if (name == kKeyedUnarchiveFromDataTransformerName)
        return std::make_shared<KeyedUnarchiveFromDataTransformer>(archiver);
    return nullptr;
}

}  // namespace tilvane
