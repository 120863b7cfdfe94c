#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tilvane {

// The outcome of translating one key through the current keyboard layout.
struct KeyTranslation {
    enum class Status { Ok, NoLayout, Error };
    Status status = Status::NoLayout;
    std::u16string text;  // what the key types without modifiers (Ok only)
};

// A system-wide keyboard shortcut of the desktop itself.
struct SymbolicHotKey {
    int64_t keyCode = 0;
    uint32_t modifiers = 0;  // Carbon bits
    bool enabled = false;
};

class Keyboard {
public:
    virtual ~Keyboard() = default;
    // The text the key with this virtual key code types, pressed without
    // modifiers, on the current ASCII-capable layout.
    virtual KeyTranslation translateKeyCode(uint16_t keyCode) = 0;
    // The desktop's own shortcuts; none when they cannot be read.
    virtual std::optional<std::vector<SymbolicHotKey>> copySymbolicHotKeys() = 0;
    // Whether the keyboard has an Fn modifier that programs see held. Where
    // it has none, a combination with Fn can never be held, and the program
    // offers none.
    virtual bool hasFunctionModifier() { return false; }
};

}  // namespace tilvane
