#include "shortcuts/shortcut.h"

#include <algorithm>
#include <array>

#include "platform/events.h"
#include "platform/hot_keys.h"
#include "shortcuts/shortcut_text.h"
#include "shortcuts/unicode_text.h"

namespace tilvane {

namespace {

constexpr int64_t kSpaceKeyCode = 49;

struct SpecialKey {
    int64_t keyCode;
    const char16_t* text;
};

// Keys with a fixed text, by virtual key code. Space is looked up in the
// strings table instead, as its name is translated.
constexpr SpecialKey kSpecialKeys[] = {
    {36, u"\u21A9"},  {48, u"\u21E5"},  {51, u"\u232B"},  {53, u"\u238B"},  {64, u"F17"},     {65, u"."},
    {67, u"*"},       {69, u"+"},       {71, u"\u2327"},  {75, u"/"},       {76, u"\u2305"},  {78, u"-"},
    {79, u"F18"},     {80, u"F19"},     {81, u"="},       {82, u"0"},       {83, u"1"},       {84, u"2"},
    {85, u"3"},       {86, u"4"},       {87, u"5"},       {88, u"6"},       {89, u"7"},       {91, u"8"},
    {92, u"9"},       {96, u"F5"},      {97, u"F6"},      {98, u"F7"},      {99, u"F3"},      {100, u"F8"},
    {101, u"F9"},     {103, u"F11"},    {105, u"F13"},    {106, u"F16"},    {107, u"F14"},    {109, u"F10"},
    {111, u"F12"},    {113, u"F15"},    {114, u"?"},      {115, u"\u2196"}, {116, u"\u21DE"}, {117, u"\u2326"},
    {118, u"F4"},     {119, u"\u2198"}, {120, u"F2"},     {121, u"\u21DF"}, {122, u"F1"},     {123, u"\u2190"},
    {124, u"\u2192"}, {125, u"\u2193"}, {126, u"\u2191"},
};

// Virtual key codes of F1 to F19, in order.
constexpr std::array<int64_t, 19> kFunctionKeys{122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                                103, 111, 105, 107, 113, 106, 64, 79,  80};

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
    if (keyCode == kSpaceKeyCode) return unicode::toUtf16(ShortcutText("Space", "Shortcut glyph name for SPACE key"));
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
    if (keyCode_ == kSpaceKeyCode) return " ";
    for (size_t n = 0; n < kFunctionKeys.size(); ++n)
        if (kFunctionKeys[n] == keyCode_) return unicode::toUtf8(std::u16string(1, char16_t(kF1KeyEquivalent + n)));
    return {};
}

std::string Shortcut::description(Keyboard* keyboard) const {
    return modifierFlagsString() + keyCodeString(keyboard);
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
