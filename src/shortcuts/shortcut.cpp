#include "shortcuts/shortcut.h"

#include <algorithm>
#include <array>

#include "platform/events.h"
#include "platform/hot_keys.h"
#include "platform/virtual_key_codes.h"
#include "shortcuts/key_names.h"
#include "shortcuts/shortcut_text.h"
#include "shortcuts/unicode_text.h"

namespace tilvane {

namespace {

struct SpecialKey {
    int64_t keyCode;
    const char16_t* text;
};

// Keys with a fixed text, by virtual key code. Space is looked up in the
// strings table instead, as its name is translated.
// clang-format off
constexpr SpecialKey kSpecialKeys[] = {
    {key::kReturn, u"\u21A9"},        {key::kTab, u"\u21E5"},           {key::kDelete, u"\u232B"},
    {key::kEscape, u"\u238B"},        {key::kF17, u"F17"},              {key::kKeypadDecimal, u"."},
    {key::kKeypadMultiply, u"*"},     {key::kKeypadPlus, u"+"},         {key::kKeypadClear, u"\u2327"},
    {key::kKeypadDivide, u"/"},       {key::kKeypadEnter, u"\u2305"},   {key::kKeypadMinus, u"-"},
    {key::kF18, u"F18"},              {key::kF19, u"F19"},              {key::kKeypadEquals, u"="},
    {key::kKeypad0, u"0"},            {key::kKeypad1, u"1"},            {key::kKeypad2, u"2"},
    {key::kKeypad3, u"3"},            {key::kKeypad4, u"4"},            {key::kKeypad5, u"5"},
    {key::kKeypad6, u"6"},            {key::kKeypad7, u"7"},            {key::kKeypad8, u"8"},
    {key::kKeypad9, u"9"},            {key::kF5, u"F5"},                {key::kF6, u"F6"},
    {key::kF7, u"F7"},                {key::kF3, u"F3"},                {key::kF8, u"F8"},
    {key::kF9, u"F9"},                {key::kF11, u"F11"},              {key::kF13, u"F13"},
    {key::kF16, u"F16"},              {key::kF14, u"F14"},              {key::kF10, u"F10"},
    {key::kF12, u"F12"},              {key::kF15, u"F15"},              {key::kHelp, u"?"},
    {key::kHome, u"\u2196"},          {key::kPageUp, u"\u21DE"},        {key::kForwardDelete, u"\u2326"},
    {key::kF4, u"F4"},                {key::kEnd, u"\u2198"},           {key::kF2, u"F2"},
    {key::kPageDown, u"\u21DF"},      {key::kF1, u"F1"},                {key::kLeftArrow, u"\u2190"},
    {key::kRightArrow, u"\u2192"},    {key::kDownArrow, u"\u2193"},     {key::kUpArrow, u"\u2191"},
};
// clang-format on

// The names desktops give the keys that type no character, as they write shortcuts.
struct KeyWord {
    int64_t keyCode;
    const char* word;
};
constexpr KeyWord kKeyWords[] = {
    {key::kLeftArrow, "Left"}, {key::kRightArrow, "Right"}, {key::kUpArrow, "Up"},
    {key::kDownArrow, "Down"}, {key::kReturn, "Return"},    {key::kKeypadEnter, "Enter"},
    {key::kTab, "Tab"},        {key::kDelete, "Backspace"}, {key::kForwardDelete, "Delete"},
    {key::kEscape, "Esc"},     {key::kHome, "Home"},        {key::kEnd, "End"},
    {key::kPageUp, "PgUp"},    {key::kPageDown, "PgDown"},  {key::kKeypadClear, "Clear"},
    {key::kHelp, "Help"},
};

// Virtual key codes of F1 to F19, in order.
constexpr std::array<int64_t, 19> kFunctionKeys{
    key::kF1,  key::kF2,  key::kF3,  key::kF4,  key::kF5,  key::kF6,  key::kF7,  key::kF8,  key::kF9, key::kF10,
    key::kF11, key::kF12, key::kF13, key::kF14, key::kF15, key::kF16, key::kF17, key::kF18, key::kF19};

// The platform's private-use characters for function keys: F1 is U+F704.
constexpr char16_t kF1KeyEquivalent = 0xF704;

}  // namespace

Shortcut::Shortcut(int64_t keyCode, uint64_t modifierFlags)
    : keyCode_(keyCode), modifierFlags_(modifierFlags & kModifierMask) {}

uint32_t Shortcut::carbonKeyCode() const {
    return keyCode_ == kNoKeyCode ? 0 : static_cast<uint32_t>(keyCode_);
}

uint32_t Shortcut::carbonFlags() const {
    uint32_t flags = 0;
    if (modifierFlags_ & modifier::kCommand) flags |= kCarbonCmdKey;
    if (modifierFlags_ & modifier::kShift) flags |= kCarbonShiftKey;
    if (modifierFlags_ & modifier::kOption) flags |= kCarbonOptionKey;
    if (modifierFlags_ & modifier::kControl) flags |= kCarbonControlKey;
    return flags;
}

std::string Shortcut::modifierFlagsString() const {
    std::string text;
    if (modifierFlags_ & modifier::kControl) text += "\u2303";
    if (modifierFlags_ & modifier::kOption) text += "\u2325";
    if (modifierFlags_ & modifier::kShift) text += "\u21E7";
    if (modifierFlags_ & modifier::kCommand) text += "\u2318";
    return text;
}

std::optional<std::u16string> specialKeyText(int64_t keyCode) {
    if (keyCode == key::kSpace) return unicode::toUtf16(ShortcutText("Space", "Shortcut glyph name for SPACE key"));
    for (const auto& key : kSpecialKeys)
        if (key.keyCode == keyCode) return std::u16string(key.text);
    return std::nullopt;
}

std::u16string Shortcut::keyText(Keyboard* keyboard) const {
    if (keyCode_ == kNoKeyCode) return {};
    if (auto special = specialKeyText(keyCode_)) return *special;
    if (!keyboard) return {};
    KeyTranslation translation = keyboard->translateKeyCode(static_cast<uint16_t>(keyCode_ & 0xFFFF));
    if (translation.status != KeyTranslation::Status::Ok || translation.text.empty()) return {};
    if (!std::all_of(translation.text.begin(), translation.text.end(), unicode::isLetterMarkNumberPunctuationOrSymbol))
        return {};
    return unicode::toUpper(translation.text);
}

std::string Shortcut::keyCodeString(Keyboard* keyboard) const {
    return unicode::toUtf8(keyText(keyboard));
}

std::string Shortcut::keyCodeStringForKeyEquivalent(Keyboard* keyboard) const {
    std::u16string text = keyText(keyboard);
    if (text.size() <= 1) return unicode::toUtf8(unicode::toLower(text));
    if (keyCode_ == key::kSpace) return " ";
    for (size_t n = 0; n < kFunctionKeys.size(); ++n)
        if (kFunctionKeys[n] == keyCode_) return unicode::toUtf8(std::u16string(1, char16_t(kF1KeyEquivalent + n)));
    return {};
}

std::string Shortcut::description(Keyboard* keyboard) const {
    if (keyboard && keyboard->shortcutWording() == ShortcutWording::Words) return descriptionInWords(keyboard);
    return modifierFlagsString() + keyCodeString(keyboard);
}

namespace {

// The modifiers' names, each followed by "+".
std::string modifierWords(uint64_t flags) {
    std::string text;
    if (flags & modifier::kControl) text += "Ctrl+";
    if (flags & modifier::kOption) text += "Alt+";
    if (flags & modifier::kShift) text += "Shift+";
    if (flags & modifier::kCommand) text += "Super+";
    return text;
}

}  // namespace

std::string Shortcut::modifiersAsShown(Keyboard* keyboard) const {
    if (!keyboard || keyboard->shortcutWording() != ShortcutWording::Words) return modifierFlagsString();
    return modifierWords(modifierFlags_);
}

std::string Shortcut::descriptionInWords(Keyboard* keyboard) const {
    std::string text = modifierWords(modifierFlags_);
    if (keyCode_ == kNoKeyCode) return text.empty() ? text : text.substr(0, text.size() - 1);
    if (keyCode_ == key::kSpace) return text + ShortcutText("Space", "Shortcut glyph name for SPACE key");
    for (const auto& named : kKeyWords)
        if (named.keyCode == keyCode_) return text + named.word;
    for (size_t n = 0; n < kFunctionKeys.size(); ++n)
        if (kFunctionKeys[n] == keyCode_) return text + "F" + std::to_string(n + 1);
    // What the key types on the current layout, else its name on a US keyboard
    // (a letter upper-cased, as the layout would show it).
    std::string typed = keyCodeString(keyboard);
    if (!typed.empty()) return text + typed;
    std::string name = keyNameForKeyCode(keyCode_);
    if (name.size() == 1) name = unicode::toUtf8(unicode::toUpper(unicode::toUtf16(name)));
    return text + name;
}

ArchivedObject Shortcut::encodeWithCoder() const {
    ArchivedObject archive;
    archive.className = kClassName;
    archive.integers["KeyCode"] = keyCode_ == kNoKeyCode ? -1 : keyCode_;
    archive.integers["ModifierFlags"] = static_cast<int64_t>(modifierFlags_);
    return archive;
}

std::optional<Shortcut> Shortcut::initWithCoder(const ArchivedObject& archive) {
    if (archive.className != kClassName) return std::nullopt;
    // An absent entry reads as 0, as keyed decoding of a missing integer does.
    auto entry = [&](const char* key) -> int64_t {
        auto it = archive.integers.find(key);
        return it == archive.integers.end() ? 0 : it->second;
    };
    int64_t keyCode = entry("KeyCode");
    if (keyCode < 0) keyCode = kNoKeyCode;
    return Shortcut(Unmasked{}, keyCode, static_cast<uint64_t>(entry("ModifierFlags")));
}

std::vector<uint8_t> archiveShortcut(KeyedArchiver& archiver, const Shortcut& shortcut) {
    return archiver.archivedDataWithRootObject(shortcut.encodeWithCoder());
}

std::optional<Shortcut> unarchiveShortcut(KeyedArchiver& archiver, const std::vector<uint8_t>& data) {
    auto object = archiver.unarchiveObjectWithData(data);
    if (!object) return std::nullopt;
    return Shortcut::initWithCoder(*object);
}

}  // namespace tilvane
