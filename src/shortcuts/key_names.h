#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shortcuts/shortcut.h"

namespace tilvane {

// Names of keys and combinations as people type them on the command line:
// modifiers ctrl, alt (Option), shift and super (Command) joined by '+', then
// the key's X11-like name, e.g. "ctrl+alt+Left", "ctrl+alt+super+m", "F13".

// The key's name, or "key<code>" for a key without one; empty for no key.
std::string keyNameForKeyCode(int64_t keyCode);
// The virtual key code of a name (letters and names in any case; "key<code>"
// for any code up to 0xFFFF).
std::optional<int64_t> keyCodeForKeyName(std::string_view name);

// The combination in words, modifiers in the order ctrl, alt, shift, super.
std::string shortcutWords(const Shortcut& shortcut);
// Parses words back; modifiers in any order and case, also control, option,
// cmd and command. None when a part is unknown, repeated or the key is missing.
std::optional<Shortcut> parseShortcutWords(std::string_view words);

}  // namespace tilvane
