#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "shortcuts/shortcut.h"

namespace tilvane {

// What the preference panes ask of the application: the accessibility gate,
// the default shortcuts, and the actions' settings keys.
class PreferencesHost {
public:
    virtual ~PreferencesHost() = default;
    virtual bool accessibilityEnabled() = 0;
    virtual void openAccessibility() = 0;
    // Puts every window action's default shortcut back.
    virtual void restoreDefaults() = 0;
    // The settings key under which the action's shortcut is stored.
    virtual std::string settingsKeyForAction(int64_t code) = 0;
    // Why the shortcut cannot be given to the action stored under key: the
    // explanation naming the other action that holds it; none when it is free.
    virtual std::optional<std::string> shortcutTakenByAnotherAction(const Shortcut& shortcut,
                                                                    const std::string& key) = 0;
    // Why the shortcut stored under key does nothing: another program holds
    // it (the explanation a recorder gives for such a combination); none
    // when it acts, or cannot be known.
    virtual std::optional<std::string> shortcutHeldByAnotherProgram(const std::string& key) {
        (void)key;
        return std::nullopt;
    }
};

}  // namespace tilvane
