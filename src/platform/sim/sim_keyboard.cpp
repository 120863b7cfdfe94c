#include "platform/sim/sim_keyboard.h"

namespace tilvane::sim {

namespace {

// What each key of an ANSI keyboard types on the US layout without modifiers,
// by virtual key code. Keys that type nothing (the modifier keys) are absent.
const std::map<uint16_t, std::u16string>& usAnsiLayout() {
    // clang-format off
    static const std::map<uint16_t, std::u16string> layout = {
        {0, u"a"},     {1, u"s"},     {2, u"d"},     {3, u"f"},     {4, u"h"},     {5, u"g"},     {6, u"z"},
        {7, u"x"},     {8, u"c"},     {9, u"v"},     {10, u"\u00A7"}, {11, u"b"},   {12, u"q"},    {13, u"w"},
        {14, u"e"},    {15, u"r"},    {16, u"y"},    {17, u"t"},    {18, u"1"},    {19, u"2"},    {20, u"3"},
        {21, u"4"},    {22, u"6"},    {23, u"5"},    {24, u"="},    {25, u"9"},    {26, u"7"},    {27, u"-"},
        {28, u"8"},    {29, u"0"},    {30, u"]"},    {31, u"o"},    {32, u"u"},    {33, u"["},    {34, u"i"},
        {35, u"p"},    {36, u"\r"},   {37, u"l"},    {38, u"j"},    {39, u"'"},    {40, u"k"},    {41, u";"},
        {42, u"\\"},   {43, u","},    {44, u"/"},    {45, u"n"},    {46, u"m"},    {47, u"."},    {48, u"\t"},
        {49, u" "},    {50, u"`"},    {51, u"\x08"}, {53, u"\x1B"}, {65, u"."},    {67, u"*"},    {69, u"+"},
        {71, u"\x1B"}, {75, u"/"},    {76, u"\x03"}, {78, u"-"},    {81, u"="},    {82, u"0"},    {83, u"1"},
        {84, u"2"},    {85, u"3"},    {86, u"4"},    {87, u"5"},    {88, u"6"},    {89, u"7"},    {91, u"8"},
        {92, u"9"},    {114, u"\x05"}, {115, u"\x01"}, {116, u"\x0B"}, {117, u"\x7F"}, {119, u"\x04"},
        {121, u"\x0C"}, {123, u"\x1C"}, {124, u"\x1D"}, {125, u"\x1F"}, {126, u"\x1E"},
        // Function keys type the function-key control character.
        {64, u"\x10"}, {79, u"\x10"}, {80, u"\x10"}, {90, u"\x10"}, {96, u"\x10"}, {97, u"\x10"}, {98, u"\x10"},
        {99, u"\x10"}, {100, u"\x10"}, {101, u"\x10"}, {103, u"\x10"}, {105, u"\x10"}, {106, u"\x10"},
        {107, u"\x10"}, {109, u"\x10"}, {111, u"\x10"}, {113, u"\x10"}, {118, u"\x10"}, {120, u"\x10"},
        {122, u"\x10"},
    };
    // clang-format on
    return layout;
}

}  // namespace

KeyTranslation SimKeyboard::translateKeyCode(uint16_t keyCode) {
    if (layout_ == Layout::None) return {KeyTranslation::Status::NoLayout, {}};
    if (translationFails_) return {KeyTranslation::Status::Error, {}};
    if (auto it = overrides_.find(keyCode); it != overrides_.end()) return {KeyTranslation::Status::Ok, it->second};
    if (keyCode == 0 && layout_ == Layout::TwoCharacters) return {KeyTranslation::Status::Ok, u"ae"};
    if (keyCode == 0 && layout_ == Layout::ControlCharacter) return {KeyTranslation::Status::Ok, u"\x01"};
    const auto& layout = usAnsiLayout();
    auto it = layout.find(keyCode);
    return {KeyTranslation::Status::Ok, it == layout.end() ? std::u16string() : it->second};
}

}  // namespace tilvane::sim
