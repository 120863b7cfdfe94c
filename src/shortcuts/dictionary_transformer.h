#pragma once

#include "shortcuts/value_transformer.h"

namespace tilvane {

// A shortcut as a dictionary of two numbers, "keyCode" and "modifierFlags".
// This form is separate from the stored keyed archive and cannot read it.
class DictionaryTransformer : public ShortcutValueTransformer {
public:
    static constexpr std::string_view kName = "DictionaryTransformer";

    // None unless the value is a dictionary whose two entries give integers
    // (numbers, or text that starts with a number); the flags are masked.
    std::optional<Shortcut> transformedValue(const std::optional<SettingsValue>& value) const override;
    // None gives an empty dictionary.
    std::optional<SettingsValue> reverseTransformedValue(const std::optional<Shortcut>& shortcut) const override;
};

}  // namespace tilvane
