#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/virtual_key_codes.h"

namespace tilvane {

// The keys' names as X and Wayland keyboards name their symbols (xkb
// keysym names), for the virtual key codes: what a key at that place types
// on a US layout. Where a code has several names the first is the one shown
// and the one given to a desktop; the others are read too.
struct KeySymbol {
    uint16_t keyCode;
    std::string_view name;
};

// clang-format off
inline constexpr KeySymbol kKeySymbols[] = {
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

// The name of the key's symbol; none for a code without one.
inline std::optional<std::string_view> keySymbolName(uint16_t keyCode) {
    for (const auto& key : kKeySymbols)
        if (key.keyCode == keyCode) return key.name;
    return std::nullopt;
}

// The keys' symbols as values (xkb keysyms), for keys typed in the program's
// windows on a desktop that sends symbols rather than places (a Wayland
// keyboard's layout is the compositor's, and a virtual keyboard's codes are
// its own): what each key types on a US layout, with Shift too, and the
// modifier keys.
struct KeySymbolValue {
    uint32_t keySymbol;
    uint16_t keyCode;
};

// clang-format off
inline constexpr KeySymbolValue kKeySymbolValues[] = {
    // Space to tilde: the printable ASCII characters are their own symbols.
    {' ', key::kSpace},        {'!', key::k1},            {'"', key::kQuote},        {'#', key::k3},
    {'$', key::k4},            {'%', key::k5},            {'&', key::k7},            {'\'', key::kQuote},
    {'(', key::k9},            {')', key::k0},            {'*', key::k8},            {'+', key::kEqual},
    {',', key::kComma},        {'-', key::kMinus},        {'.', key::kPeriod},       {'/', key::kSlash},
    {'0', key::k0},            {'1', key::k1},            {'2', key::k2},            {'3', key::k3},
    {'4', key::k4},            {'5', key::k5},            {'6', key::k6},            {'7', key::k7},
    {'8', key::k8},            {'9', key::k9},            {':', key::kSemicolon},    {';', key::kSemicolon},
    {'<', key::kComma},        {'=', key::kEqual},        {'>', key::kPeriod},       {'?', key::kSlash},
    {'@', key::k2},            {'[', key::kLeftBracket},  {'\\', key::kBackslash},   {']', key::kRightBracket},
    {'^', key::k6},            {'_', key::kMinus},        {'`', key::kGrave},        {'{', key::kLeftBracket},
    {'|', key::kBackslash},    {'}', key::kRightBracket}, {'~', key::kGrave},        {0xa7, key::kISOSection},
    {0xff08, key::kDelete},    {0xff09, key::kTab},       {0xfe20, key::kTab},       {0xff0b, key::kKeypadClear},
    {0xff0d, key::kReturn},    {0xff1b, key::kEscape},    {0xffff, key::kForwardDelete},
    {0xff50, key::kHome},      {0xff51, key::kLeftArrow}, {0xff52, key::kUpArrow},   {0xff53, key::kRightArrow},
    {0xff54, key::kDownArrow}, {0xff55, key::kPageUp},    {0xff56, key::kPageDown},  {0xff57, key::kEnd},
    {0xff6a, key::kHelp},      {0xff8d, key::kKeypadEnter},
    {0xffaa, key::kKeypadMultiply}, {0xffab, key::kKeypadPlus}, {0xffad, key::kKeypadMinus},
    {0xffae, key::kKeypadDecimal},  {0xffaf, key::kKeypadDivide}, {0xffbd, key::kKeypadEquals},
    {0xffb0, key::kKeypad0},   {0xffb1, key::kKeypad1},   {0xffb2, key::kKeypad2},   {0xffb3, key::kKeypad3},
    {0xffb4, key::kKeypad4},   {0xffb5, key::kKeypad5},   {0xffb6, key::kKeypad6},   {0xffb7, key::kKeypad7},
    {0xffb8, key::kKeypad8},   {0xffb9, key::kKeypad9},
    {0xffe1, key::kShift},     {0xffe2, key::kRightShift},   {0xffe3, key::kControl},   {0xffe4, key::kRightControl},
    {0xffe5, key::kCapsLock},  {0xffe9, key::kOption},       {0xffea, key::kRightOption}, {0xfe03, key::kRightOption},
    {0xffe7, key::kCommand},   {0xffe8, key::kRightCommand}, {0xffeb, key::kCommand},   {0xffec, key::kRightCommand},
};
// clang-format on

// The virtual key code of a key symbol: the letters in either case, the
// function keys F1 to F20, and the table above; none for other symbols.
inline std::optional<uint16_t> keyCodeOfKeySymbol(uint32_t keySymbol) {
    constexpr uint32_t kF1 = 0xffbe;
    if (keySymbol >= 'A' && keySymbol <= 'Z') keySymbol += 'a' - 'A';
    if (keySymbol >= 'a' && keySymbol <= 'z') {
        for (const auto& key : kKeySymbols)
            if (key.name.size() == 1 && uint32_t(key.name[0]) == keySymbol) return key.keyCode;
    }
    if (keySymbol >= kF1 && keySymbol < kF1 + 20) {
        std::string name = std::to_string(keySymbol - kF1 + 1);
        name.insert(name.begin(), 'F');
        for (const auto& key : kKeySymbols)
            if (key.name == name) return key.keyCode;
    }
    for (const auto& key : kKeySymbolValues)
        if (key.keySymbol == keySymbol) return key.keyCode;
    return std::nullopt;
}

}  // namespace tilvane
