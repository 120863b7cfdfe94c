#include "app/shortcut_holders.h"

namespace tilvane {

std::optional<Shortcut> effectiveShortcut(const SettingsStore& store, KeyedArchiver& archiver,
                                          const ActionInfo& action) {
    auto value = store.objectForKey(std::string(action.settingsKey));
    if (!value) return Shortcut(action.defaultKeyCode, action.defaultModifierFlags);
    auto data = std::get_if<SettingsData>(&value->value);
    return data ? unarchiveShortcut(archiver, *data) : std::nullopt;
}

const ActionInfo* actionHoldingShortcut(const SettingsStore& store, KeyedArchiver& archiver, const Shortcut& shortcut,
                                        std::string_view keyBeingSet) {
    for (const ActionInfo& action : kActions) {
        if (action.settingsKey == keyBeingSet) continue;
        if (effectiveShortcut(store, archiver, action) == shortcut) return &action;
    }
    return nullptr;
}

}  // namespace tilvane
