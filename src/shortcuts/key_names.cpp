#include "shortcuts/key_names.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "platform/events.h"
#include "platform/virtual_key_codes.h"

namespace tilvane {

namespace {

struct KeyName {
    uint16_t keyCode;
    std::string_view name;
};

// Virtual key codes (positions on an ANSI keyboard) and their names. Where a
// code has several names the first is the one shown.
// clang-format off
constexpr KeyName kKeyNames[] = {
    {key::kA, "a"},                        {key::kB, "b"},                        {key::kC, "c"},
    {key::kD, "d"},                        {key::kE, "e"},                        {key::kF, "f"},
    {key::kG, "g"},                        {key::kH, "h"},                        {key::kI, "i"},
    {key::kJ, "j"},                        {key::kK, "k"},                        {key::kL, "l"},
    {key::kM, "m"},                        {key::kN, "n"},                        {key::kO, "o"},
    {key::kP, "p"},                        {key::kQ, "q"},                        {key::kR, "r"},
    {key::kS, "s"},                        {key::kT, "t"},                        {key::kU, "u"},
    {key::kV, "v"},                        {key::kW, "w"},                        {key::kX, "x"},
    {key::kY, "y"},                        {key::kZ, "z"},                        {key::k0, "0"},
    {key::k1, "1"},                        {key::k2, "2"},                        {key::k3, "3"},
    {key::k4, "4"},                        {key::k5, "5"},                        {key::k6, "6"},
    {key::k7, "7"},                        {key::k8, "8"},                        {key::k9, "9"},
    {key::kMinus, "minus"},                {key::kEqual, "equal"},                {key::kLeftBracket, "bracketleft"},
    {key::kRightBracket, "bracketright"},  {key::kSemicolon, "semicolon"},        {key::kQuote, "apostrophe"},
    {key::kGrave, "grave"},                {key::kBackslash, "backslash"},        {key::kComma, "comma"},
    {key::kPeriod, "period"},              {key::kSlash, "slash"},                {key::kISOSection, "section"},
    {key::kReturn, "Return"},              {key::kTab, "Tab"},                    {key::kSpace, "space"},
    {key::kDelete, "BackSpace"},           {key::kEscape, "Escape"},              {key::kForwardDelete, "Delete"},
    {key::kHome, "Home"},                  {key::kEnd, "End"},                    {key::kPageUp, "Prior"},
    {key::kPageDown, "Next"},              {key::kHelp, "Help"},                  {key::kLeftArrow, "Left"},
    {key::kRightArrow, "Right"},           {key::kDownArrow, "Down"},             {key::kUpArrow, "Up"},
    {key::kF1, "F1"},                      {key::kF2, "F2"},                      {key::kF3, "F3"},
    {key::kF4, "F4"},                      {key::kF5, "F5"},                      {key::kF6, "F6"},
    {key::kF7, "F7"},                      {key::kF8, "F8"},                      {key::kF9, "F9"},
    {key::kF10, "F10"},                    {key::kF11, "F11"},                    {key::kF12, "F12"},
    {key::kF13, "F13"},                    {key::kF14, "F14"},                    {key::kF15, "F15"},
    {key::kF16, "F16"},                    {key::kF17, "F17"},                    {key::kF18, "F18"},
    {key::kF19, "F19"},                    {key::kF20, "F20"},                    {key::kKeypad0, "KP_0"},
    {key::kKeypad1, "KP_1"},               {key::kKeypad2, "KP_2"},               {key::kKeypad3, "KP_3"},
    {key::kKeypad4, "KP_4"},               {key::kKeypad5, "KP_5"},               {key::kKeypad6, "KP_6"},
    {key::kKeypad7, "KP_7"},               {key::kKeypad8, "KP_8"},               {key::kKeypad9, "KP_9"},
    {key::kKeypadDecimal, "KP_Decimal"},   {key::kKeypadMultiply, "KP_Multiply"}, {key::kKeypadPlus, "KP_Add"},
    {key::kKeypadDivide, "KP_Divide"},     {key::kKeypadMinus, "KP_Subtract"},    {key::kKeypadEquals, "KP_Equal"},
    {key::kKeypadEnter, "KP_Enter"},       {key::kKeypadClear, "Clear"},          {key::kPageUp, "Page_Up"},
    {key::kPageDown, "Page_Down"},         {key::kDelete, "Backspace"},           {key::kEscape, "Esc"},
    {key::kReturn, "Enter"},               {key::kEqual, "equals"},               {key::kMinus, "hyphen"},
};
// clang-format on

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
    for (const auto& key : kKeyNames)
        if (key.keyCode == keyCode) return std::string(key.name);
    return "key" + std::to_string(keyCode);
}

std::optional<int64_t> keyCodeForKeyName(std::string_view name) {
    for (const auto& key : kKeyNames)
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
