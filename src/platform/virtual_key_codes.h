#pragma once

#include <cstdint>

namespace tilvane {

// Virtual key codes: the program's names for the keys, by their place on an
// ANSI keyboard. Letter and punctuation keys are named after what they type
// on the US layout; another layout may type something else at the same place.
// Stored shortcuts and hot keys are written in these codes, and every backend
// maps them to its own keys by position.
namespace key {
// clang-format off
inline constexpr uint16_t
    kA = 0x00, kS = 0x01, kD = 0x02, kF = 0x03, kH = 0x04, kG = 0x05, kZ = 0x06, kX = 0x07, kC = 0x08, kV = 0x09,
    kISOSection = 0x0A, kB = 0x0B, kQ = 0x0C, kW = 0x0D, kE = 0x0E, kR = 0x0F, kY = 0x10, kT = 0x11,
    k1 = 0x12, k2 = 0x13, k3 = 0x14, k4 = 0x15, k6 = 0x16, k5 = 0x17, kEqual = 0x18, k9 = 0x19, k7 = 0x1A,
    kMinus = 0x1B, k8 = 0x1C, k0 = 0x1D, kRightBracket = 0x1E, kO = 0x1F, kU = 0x20, kLeftBracket = 0x21,
    kI = 0x22, kP = 0x23, kReturn = 0x24, kL = 0x25, kJ = 0x26, kQuote = 0x27, kK = 0x28, kSemicolon = 0x29,
    kBackslash = 0x2A, kComma = 0x2B, kSlash = 0x2C, kN = 0x2D, kM = 0x2E, kPeriod = 0x2F, kTab = 0x30,
    kSpace = 0x31, kGrave = 0x32, kDelete = 0x33, kEscape = 0x35,
    kRightCommand = 0x36, kCommand = 0x37, kShift = 0x38, kCapsLock = 0x39, kOption = 0x3A, kControl = 0x3B,
    kRightShift = 0x3C, kRightOption = 0x3D, kRightControl = 0x3E, kFunction = 0x3F,
    kKeypadDecimal = 0x41, kKeypadMultiply = 0x43, kKeypadPlus = 0x45, kKeypadClear = 0x47,
    kVolumeUp = 0x48, kVolumeDown = 0x49, kMute = 0x4A, kKeypadDivide = 0x4B, kKeypadEnter = 0x4C,
    kKeypadMinus = 0x4E, kKeypadEquals = 0x51, kKeypad0 = 0x52, kKeypad1 = 0x53, kKeypad2 = 0x54,
    kKeypad3 = 0x55, kKeypad4 = 0x56, kKeypad5 = 0x57, kKeypad6 = 0x58, kKeypad7 = 0x59, kKeypad8 = 0x5B,
    kKeypad9 = 0x5C, kJISYen = 0x5D, kJISUnderscore = 0x5E, kJISKeypadComma = 0x5F, kJISEisu = 0x66,
    kJISKana = 0x68,
    kF1 = 0x7A, kF2 = 0x78, kF3 = 0x63, kF4 = 0x76, kF5 = 0x60, kF6 = 0x61, kF7 = 0x62, kF8 = 0x64, kF9 = 0x65,
    kF10 = 0x6D, kF11 = 0x67, kF12 = 0x6F, kF13 = 0x69, kF14 = 0x6B, kF15 = 0x71, kF16 = 0x6A, kF17 = 0x40,
    kF18 = 0x4F, kF19 = 0x50, kF20 = 0x5A,
    kHelp = 0x72, kHome = 0x73, kPageUp = 0x74, kForwardDelete = 0x75, kEnd = 0x77, kPageDown = 0x79,
    kLeftArrow = 0x7B, kRightArrow = 0x7C, kDownArrow = 0x7D, kUpArrow = 0x7E;
// clang-format on
}  // namespace key

}  // namespace tilvane
