#include "shortcuts/key_names.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "platform/events.h"

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
    {0, "a"},           {11, "b"},           {8, "c"},             {2, "d"},            {14, "e"},
    {3, "f"},           {5, "g"},            {4, "h"},             {34, "i"},           {38, "j"},
    {40, "k"},          {37, "l"},           {46, "m"},            {45, "n"},           {31, "o"},
    {35, "p"},          {12, "q"},           {15, "r"},            {1, "s"},            {17, "t"},
    {32, "u"},          {9, "v"},            {13, "w"},            {7, "x"},            {16, "y"},
    {6, "z"},           {29, "0"},           {18, "1"},            {19, "2"},           {20, "3"},
    {21, "4"},          {23, "5"},           {22, "6"},            {26, "7"},           {28, "8"},
    {25, "9"},          {27, "minus"},       {24, "equal"},        {33, "bracketleft"}, {30, "bracketright"},
    {41, "semicolon"},  {39, "apostrophe"},  {50, "grave"},        {42, "backslash"},   {43, "comma"},
    {47, "period"},     {44, "slash"},       {10, "section"},      {36, "Return"},      {48, "Tab"},
    {49, "space"},      {51, "BackSpace"},   {53, "Escape"},       {117, "Delete"},     {115, "Home"},
    {119, "End"},       {116, "Prior"},      {121, "Next"},        {114, "Help"},       {123, "Left"},
    {124, "Right"},     {125, "Down"},       {126, "Up"},          {122, "F1"},         {120, "F2"},
    {99, "F3"},         {118, "F4"},         {96, "F5"},           {97, "F6"},          {98, "F7"},
    {100, "F8"},        {101, "F9"},         {109, "F10"},         {103, "F11"},        {111, "F12"},
    {105, "F13"},       {107, "F14"},        {113, "F15"},         {106, "F16"},        {64, "F17"},
    {79, "F18"},        {80, "F19"},         {90, "F20"},          {82, "KP_0"},        {83, "KP_1"},
    {84, "KP_2"},       {85, "KP_3"},        {86, "KP_4"},         {87, "KP_5"},        {88, "KP_6"},
    {89, "KP_7"},       {91, "KP_8"},        {92, "KP_9"},         {65, "KP_Decimal"},  {67, "KP_Multiply"},
    {69, "KP_Add"},     {75, "KP_Divide"},   {78, "KP_Subtract"},  {81, "KP_Equal"},    {76, "KP_Enter"},
    {71, "Clear"},      {116, "Page_Up"},    {121, "Page_Down"},   {51, "Backspace"},   {53, "Esc"},
    {36, "Enter"},      {24, "equals"},      {27, "hyphen"},
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
