#include "shortcuts/key_names.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "platform/events.h"
#include "platform/key_symbols.h"

namespace tilvane {

namespace {

struct ModifierName {
    uint64_t flag;
    std::string_view name;
};

// In the order they are written; the first name of each flag is the one shown.
constexpr ModifierName kModifierNames[] = {
    {modifier::kControl, "ctrl"},  {modifier::kOption, "alt"},      {modifier::kShift, "shift"},
    {modifier::kCommand, "super"}, {modifier::kControl, "control"}, {modifier::kOption, "option"},
    {modifier::kCommand, "cmd"},   {modifier::kCommand, "command"},
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

std::string keyNameForKeyCode(int64_t keyCode) {
    if (keyCode == Shortcut::kNoKeyCode) return {};
    for (const auto& key : kKeySymbols)
        if (key.keyCode == keyCode) return std::string(key.name);
    return "key" + std::to_string(keyCode);
}

std::optional<int64_t> keyCodeForKeyName(std::string_view name) {
    for (const auto& key : kKeySymbols)
        if (equalIgnoringCase(key.name, name)) return key.keyCode;
    if (name.size() > 3 && equalIgnoringCase(name.substr(0, 3), "key")) {
        auto digits = name.substr(3);
        unsigned value = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error == std::errc() && end == digits.data() + digits.size() && value <= 0xFFFF) return value;
    }
    return std::nullopt;
}

std::string shortcutWords(const Shortcut& shortcut) {
    std::string words;
    uint64_t written = 0;
    for (const auto& m : kModifierNames) {
        if (!(shortcut.modifierFlags() & m.flag) || (written & m.flag)) continue;
        written |= m.flag;
        if (!words.empty()) words += '+';
        words += m.name;
    }
    std::string key = keyNameForKeyCode(shortcut.keyCode());
    if (!key.empty()) {
        if (!words.empty()) words += '+';
        words += key;
    }
    return words;
}

std::optional<Shortcut> parseShortcutWords(std::string_view words) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t plus = words.find('+', start);
        parts.push_back(words.substr(start, plus == std::string_view::npos ? std::string_view::npos : plus - start));
        if (plus == std::string_view::npos) break;
        start = plus + 1;
    }
    // "ctrl++" ends in an empty part: a '+' key is not named that way.
    uint64_t flags = 0;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        auto m = std::find_if(std::begin(kModifierNames), std::end(kModifierNames),
                              [&](const ModifierName& n) { return equalIgnoringCase(n.name, parts[i]); });
        if (m == std::end(kModifierNames) || (flags & m->flag)) return std::nullopt;
        flags |= m->flag;
    }
    auto keyCode = keyCodeForKeyName(parts.back());
    if (!keyCode) return std::nullopt;
    return Shortcut(*keyCode, flags);
}

}  // namespace tilvane
