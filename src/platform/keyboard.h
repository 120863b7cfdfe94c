#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"

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

// How the desktop writes a shortcut for its users: with the modifier glyphs
// (⌃⌥⇧⌘←) or in words (Ctrl+Alt+Left).
enum class ShortcutWording { Glyphs, Words };

class Keyboard {
public:
    virtual ~Keyboard() = default;
    virtual ShortcutWording shortcutWording() const { return ShortcutWording::Glyphs; }
    // The modifier of the desktop's own window commands (with W a window
    // closes, with Q the program quits): Command, or Control on Linux desktops.
    virtual uint64_t windowCommandModifier() const { return modifier::kCommand; }
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
