#include "app/action_table.h"

namespace tilvane {

const ActionInfo* actionForCode(int64_t code) {
    for (const auto& a : kActions)
        if (a.code == code) return &a;
    return nullptr;
}

const ActionInfo* actionForName(std::string_view name) {
    for (const auto& a : kActions)
        if (a.name == name) return &a;
    return nullptr;
}

const ActionInfo* actionForSettingsKey(std::string_view key) {
    for (const auto& a : kActions)
        if (a.settingsKey == key) return &a;
    return nullptr;
}

}  // namespace tilvane
