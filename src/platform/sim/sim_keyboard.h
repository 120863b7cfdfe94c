#pragma once

#include <map>

#include "platform/keyboard.h"

namespace tilvane::sim {

// The desktop's keyboard: a US layout on an ANSI keyboard, or one of two test
// layouts that differ from it in one key, plus the desktop's own shortcuts;
// it has an Fn modifier unless the test says otherwise.
class SimKeyboard : public Keyboard {
public:
    enum class Layout {
        UsAnsi,
        // The A key (code 0) types two characters, "ae".
        TwoCharacters,
        // The A key (code 0) types the control character U+0001.
        ControlCharacter,
        // No ASCII-capable layout is available.
        None,
    };

    KeyTranslation translateKeyCode(uint16_t keyCode) override;
    std::optional<std::vector<SymbolicHotKey>> copySymbolicHotKeys() override { return symbolicHotKeys_; }
    bool hasFunctionModifier() override { return hasFunctionModifier_; }

    void setLayout(Layout layout) { layout_ = layout; }
    // Makes every translation report an error.
    void setTranslationFails(bool fails) { translationFails_ = fails; }
    // What one key types, over the layout's own text.
    void setKeyText(uint16_t keyCode, std::u16string text) { overrides_[keyCode] = std::move(text); }
    // None: the desktop's shortcuts cannot be read.
    void setSymbolicHotKeys(std::optional<std::vector<SymbolicHotKey>> hotKeys) {
        symbolicHotKeys_ = std::move(hotKeys);
    }
    void setHasFunctionModifier(bool has) { hasFunctionModifier_ = has; }

private:
    Layout layout_ = Layout::UsAnsi;
    bool translationFails_ = false;
    bool hasFunctionModifier_ = true;
    std::map<uint16_t, std::u16string> overrides_;
    std::optional<std::vector<SymbolicHotKey>> symbolicHotKeys_ = std::vector<SymbolicHotKey>{};
};

}  // namespace tilvane::sim
