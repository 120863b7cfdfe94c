#include "interaction/modifier_combination.h"

#include <algorithm>
#include <string>

namespace tilvane {

ModifierCombination readCombination(const SettingsStore& settings, const CombinationKeys& keys) {
    ModifierCombination combination{};
    for (size_t i = 0; i < keys.size(); ++i) combination[i] = settings.boolForKey(std::string(keys[i]));
    return combination;
}

bool combinationMatches(const ModifierCombination& combination, uint64_t eventFlags) {
    for (size_t i = 0; i < combination.size(); ++i)
        if (!checkFlag(kCombinationModifiers[i], eventFlags, combination[i])) return false;
    return true;
}

bool anyModifierIn(const ModifierCombination& combination) {
    return std::any_of(combination.begin(), combination.end(), [](bool on) { return on; });
}

}  // namespace tilvane
