#include "shortcuts/shortcut_validator.h"

#include "platform/virtual_key_codes.h"
#include "shortcuts/shortcut_text.h"
#include "shortcuts/unicode_text.h"

namespace tilvane {

namespace {

constexpr const char* kTakenBySystemText =
    "This combination cannot be used because it is already used by a system-wide keyboard shortcut.\n"
    "If you really want to use this key combination, most shortcuts can be changed in the Keyboard & Mouse panel "
    "in System Preferences.";
constexpr const char* kHeldByAnotherProgramText =
    "This combination cannot be used because another program already uses it as a keyboard shortcut: your "
    "window manager, your desktop or another shortcut tool.\nTo use it here, change or remove it there first.";
constexpr const char* kTakenInMenuText =
    "This shortcut cannot be used because it is already used by the menu item \u2018%@\u2019.";

std::string replacePlaceholder(std::string text, const std::string& value) {
    if (auto at = text.find("%@"); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

bool searchMenu(const Menu& menu, const std::string& keyEquivalent, uint64_t flags, std::string* explanation) {
    for (const MenuItem* item : menu.items()) {
        if (item->submenu() && searchMenu(*item->submenu(), keyEquivalent, flags, explanation)) return true;
        const std::string q = item->keyEquivalent();
        std::string lowered = unicode::toUtf8(unicode::toLower(unicode::toUtf16(q)));
        if (lowered != keyEquivalent) continue;
        uint64_t modifiers = item->keyEquivalentModifierMask();
        // Only the case differs: the item's key equivalent is a capital, which means Shift.
        if (q != keyEquivalent) modifiers |= modifier::kShift;
        if ((modifiers & Shortcut::kModifierMask) != flags) continue;
        if (explanation)
            *explanation = replacePlaceholder(
                ShortcutText(kTakenInMenuText, "Message for alert when shortcut is already used"), item->title());
        return true;
    }
    return false;
}

}  // namespace

bool ShortcutValidator::isFunctionKey(int64_t keyCode) {
    return keyCode >= 64 && keyCode <= 122 && ((kFunctionKeyBits >> (keyCode - 64)) & 1) != 0;
}

bool ShortcutValidator::isShortcutValid(const Shortcut& shortcut) const {
    int64_t k = shortcut.keyCode();
    uint64_t m = shortcut.modifierFlags();
    if (isFunctionKey(k)) return true;
    if (m == 0) return false;
    if (m & (modifier::kCommand | modifier::kControl)) return true;
    if (!(m & modifier::kOption)) return false;
    if (k == key::kSpace || k == key::kEscape) return true;
    return allowAnyShortcutWithOptionModifier_;
}

std::string heldByAnotherProgramExplanation() {
    return ShortcutText(kHeldByAnotherProgramText, "Message for alert when another program holds the shortcut");
}

bool ShortcutValidator::isShortcutAlreadyTakenBySystem(const Shortcut& shortcut, std::string* explanation) const {
    if (keyboard_) {
        if (auto hotKeys = keyboard_->copySymbolicHotKeys()) {
            for (const SymbolicHotKey& hotKey : *hotKeys) {
                if (hotKey.keyCode != shortcut.keyCode() || hotKey.modifiers != shortcut.carbonFlags() ||
                    !hotKey.enabled)
                    continue;
                if (explanation)
                    *explanation = ShortcutText(kTakenBySystemText,
                                                "Message for alert when shortcut is already used by the system");
                return true;
            }
        }
    }
    if (hotKeys_ && hotKeys_->isHeldByAnotherProgram(shortcut.carbonKeyCode(), shortcut.carbonFlags())) {
        if (explanation) *explanation = heldByAnotherProgramExplanation();
        return true;
    }
    const Menu* mainMenu = mainMenu_ ? mainMenu_() : nullptr;
    return mainMenu && isShortcutAlreadyTakenInMenu(shortcut, *mainMenu, explanation);
}

bool ShortcutValidator::isShortcutAlreadyTakenInMenu(const Shortcut& shortcut, const Menu& menu,
                                                     std::string* explanation) const {
    return searchMenu(menu, shortcut.keyCodeStringForKeyEquivalent(keyboard_), shortcut.modifierFlags(), explanation);
}

}  // namespace tilvane
