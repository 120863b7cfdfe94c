#include "app/action_table.h"

#include <algorithm>

namespace tilvane {

std::optional<size_t> actionIndex(int64_t code) {
    for (size_t i = 0; i < kActions.size(); ++i)
        if (kActions[i].code == code) return i;
    return std::nullopt;
}

const ActionInfo* actionForCode(int64_t code) {
    std::optional<size_t> index = actionIndex(code);
    return index ? &kActions[*index] : nullptr;
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

std::vector<const ActionInfo*> menuActions() {
    std::vector<const ActionInfo*> actions;
    for (const auto& a : kActions)
        if (a.menuPlace) actions.push_back(&a);
    std::stable_sort(actions.begin(), actions.end(),
                     [](const ActionInfo* a, const ActionInfo* b) { return a->menuPlace < b->menuPlace; });
    return actions;
}

std::vector<std::pair<std::string, int64_t>> recorderOutlets(ActionPane pane) {
    std::vector<std::pair<std::string, int64_t>> outlets;
    for (const auto& a : kActions)
        if (a.pane == pane) outlets.emplace_back(a.recorderOutlet, a.code);
    return outlets;
}

}  // namespace tilvane
