#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"
#include "shortcuts/shortcut.h"

namespace tilvane {

// Why a combination another program holds cannot be used here, in the
// words the recorder's alert uses.
std::string heldByAnotherProgramExplanation();

// Judges a recorded combination before it is taken: whether it leaves
// ordinary typing possible, and whether the desktop's own shortcuts or the
// program's menus already use it.
class ShortcutValidator {
public:
    // The menu searched after the desktop's shortcuts; null when there is none.
    using MainMenuProvider = std::function<const Menu*()>;

    // The keyboard renders key equivalents and lists the desktop's shortcuts (null: neither).
    explicit ShortcutValidator(Keyboard* keyboard, MainMenuProvider mainMenu = {})
        : keyboard_(keyboard), mainMenu_(std::move(mainMenu)) {}

    // Function keys always; otherwise Command or Control must be held, or
    // Option with Space or Escape (or any key when allowAnyShortcutWithOptionModifier).
    bool isShortcutValid(const Shortcut& shortcut) const;
    // Taken by an enabled desktop shortcut, else by another program's hot key
    // (where the hot-key service can tell), else by an item of the main menu.
    // On yes the explanation, when asked for, holds the text to show.
    bool isShortcutAlreadyTakenBySystem(const Shortcut& shortcut, std::string* explanation) const;
    // Taken by an item of the menu or of its submenus, searched depth first.
    bool isShortcutAlreadyTakenInMenu(const Shortcut& shortcut, const Menu& menu, std::string* explanation) const;

    bool allowAnyShortcutWithOptionModifier() const { return allowAnyShortcutWithOptionModifier_; }
    void setAllowAnyShortcutWithOptionModifier(bool allow) { allowAnyShortcutWithOptionModifier_ = allow; }
    void setMainMenuProvider(MainMenuProvider provider) { mainMenu_ = std::move(provider); }
    // The service that can tell whether another program holds a combination.
    void setHotKeyService(HotKeyService* hotKeys) { hotKeys_ = hotKeys; }

    // Key codes of F1 to F20 as a bit set over key codes 64 to 122.
    static constexpr uint64_t kFunctionKeyBits = 0x0542AEBF04018001;
    static bool isFunctionKey(int64_t keyCode);

private:
    Keyboard* keyboard_;
    MainMenuProvider mainMenu_;
    HotKeyService* hotKeys_ = nullptr;
    bool allowAnyShortcutWithOptionModifier_ = false;
};

}  // namespace tilvane
