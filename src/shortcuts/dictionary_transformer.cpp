#include "shortcuts/dictionary_transformer.h"

#include <cmath>
#include <limits>

namespace tilvane {

namespace {

// Text gives a number the way a leading integer is read from it: spaces, an
// optional sign, then digits up to the first other character; too large a
// number saturates. Text without digits gives none.
std::optional<int64_t> integerFromText(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    uint64_t magnitude = 0;
    constexpr uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + uint64_t(text[i] - '0');
        if (magnitude > limit) magnitude = limit;
    }
    if (negative) return magnitude == limit ? std::numeric_limits<int64_t>::min() : -int64_t(magnitude);
    return magnitude >= limit ? std::numeric_limits<int64_t>::max() : int64_t(magnitude);
}

std::optional<int64_t> integerValue(const SettingsValue& value) {
    if (auto i = std::get_if<int64_t>(&value.value)) return *i;
    if (auto b = std::get_if<bool>(&value.value)) return *b ? 1 : 0;
    if (auto d = std::get_if<double>(&value.value)) {
        // Numbers without an integer value in range (NaN, infinities, huge) give none.
        if (!std::isfinite(*d) || *d <= -0x1p63 || *d >= 0x1p63) return std::nullopt;
        return static_cast<int64_t>(*d);
    }
    if (auto s = std::get_if<std::string>(&value.value)) return integerFromText(*s);
    return std::nullopt;
}

}  // namespace

std::optional<Shortcut> DictionaryTransformer::transformedValue(const std::optional<SettingsValue>& value) const {
    if (!value) return std::nullopt;
    auto dictionary = std::get_if<SettingsDictionary>(&value->value);
    if (!dictionary) return std::nullopt;
    auto keyCode = dictionary->find("keyCode");
    auto flags = dictionary->find("modifierFlags");
    if (keyCode == dictionary->end() || flags == dictionary->end()) return std::nullopt;
    auto code = integerValue(keyCode->second);
    auto modifiers = integerValue(flags->second);
    if (!code || !modifiers) return std::nullopt;
    return Shortcut::shortcutWithKeyCode(*code, static_cast<uint64_t>(*modifiers));
}

std::optional<SettingsValue> DictionaryTransformer::reverseTransformedValue(
    const std::optional<Shortcut>& shortcut) const {
    SettingsDictionary dictionary;
    if (shortcut) {
        dictionary["keyCode"] = SettingsValue(shortcut->keyCode());
        dictionary["modifierFlags"] = SettingsValue(static_cast<int64_t>(shortcut->modifierFlags()));
    }
    std::optional<SettingsValue> result;
    result.emplace(std::move(dictionary));
    return result;
}

}  // namespace tilvane
