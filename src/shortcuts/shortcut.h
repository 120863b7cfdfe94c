#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/archiver.h"
#include "platform/keyboard.h"

namespace tilvane {

// A keyboard shortcut: a virtual key code and the modifier keys held with it.
// An immutable value. Its texts are computed on every call, through the
// current keyboard layout where the key is not one of the fixed special keys.
class Shortcut {
public:
    // The key code meaning "no key".
    static constexpr int64_t kNoKeyCode = INT64_MAX;
    // Shift, Control, Option and Command: the only modifier bits a shortcut keeps.
    static constexpr uint64_t kModifierMask = 0x1E0000;
    static constexpr const char* kClassName = "Shortcut";

    // Keeps the key code as given and only the four modifier bits of the flags.
    Shortcut(int64_t keyCode, uint64_t modifierFlags);
    static Shortcut shortcutWithKeyCode(int64_t keyCode, uint64_t modifierFlags) {
        return Shortcut(keyCode, modifierFlags);
    }
    // From a key-down or flags-changed event's key code and modifier flags.
    static Shortcut shortcutWithEvent(int64_t eventKeyCode, uint64_t eventModifierFlags) {
        return Shortcut(eventKeyCode & 0xFFFF, eventModifierFlags);
    }

    int64_t keyCode() const { return keyCode_; }
    uint64_t modifierFlags() const { return modifierFlags_; }

    // What the hot-key service takes: the key code (0 for no key) and Carbon modifier bits.
    uint32_t carbonKeyCode() const;
    uint32_t carbonFlags() const;

    // ⌃⌥⇧⌘ for the modifiers held, always in that order.
    std::string modifierFlagsString() const;
    // The key's text: a fixed glyph or name for special keys, else what the key
    // types on the current layout, upper-cased; empty when it types nothing printable.
    std::string keyCodeString(Keyboard* keyboard) const;
    // The text a menu item takes as its key equivalent for this key.
    std::string keyCodeStringForKeyEquivalent(Keyboard* keyboard) const;
    // The shortcut as the user sees it, in the desktop's way (the keyboard's
    // wording): the modifier glyphs followed by the key text (⌃⌥←), or the
    // modifiers' and the key's names joined by "+" (Ctrl+Alt+Left).
    std::string description(Keyboard* keyboard) const;
    // The modifiers alone as description shows them: ⌃⌥, or Ctrl+Alt+.
    std::string modifiersAsShown(Keyboard* keyboard) const;
    // In words, whatever the keyboard: Ctrl, Alt, Shift and Super in that
    // order, then the key's name or what it types.
    std::string descriptionInWords(Keyboard* keyboard) const;

    // The entries of the stored form ("KeyCode", "ModifierFlags"); no key is written as -1.
    ArchivedObject encodeWithCoder() const;
    // Reads the stored form back. A negative key code reads as no key, and the
    // flags are taken as stored, extra bits included. None for another class.
    static std::optional<Shortcut> initWithCoder(const ArchivedObject& archive);

    friend bool operator==(const Shortcut&, const Shortcut&) = default;

private:
    struct Unmasked {};
    Shortcut(Unmasked, int64_t keyCode, uint64_t modifierFlags) : keyCode_(keyCode), modifierFlags_(modifierFlags) {}

    std::u16string keyText(Keyboard* keyboard) const;

    int64_t keyCode_;
    uint64_t modifierFlags_;
};

// The archive of a shortcut as stored bytes, and back; none when the bytes do
// not hold an archived shortcut.
std::vector<uint8_t> archiveShortcut(KeyedArchiver& archiver, const Shortcut& shortcut);
std::optional<Shortcut> unarchiveShortcut(KeyedArchiver& archiver, const std::vector<uint8_t>& data);

// The fixed text of a special key (arrows, Return, function keys, keypad), or
// none for keys whose text comes from the keyboard layout.
std::optional<std::u16string> specialKeyText(int64_t keyCode);

}  // namespace tilvane
