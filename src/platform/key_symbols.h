#pragma once

#include <cstdint>
#include <optional>
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

}  // namespace tilvane
