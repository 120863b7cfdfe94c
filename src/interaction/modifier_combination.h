#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/events.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"

namespace tilvane {

// The five modifiers a mouse or gesture combination is built from, in the
// order they are checked: Fn, Shift, Option, Control, Command.
inline constexpr std::array<uint64_t, 5> kCombinationModifiers{modifier::kFunction, modifier::kShift, modifier::kOption,
                                                               modifier::kControl, modifier::kCommand};

// The settings keys that say, modifier by modifier, whether a combination contains it.
using CombinationKeys = std::array<std::string_view, 5>;
inline constexpr CombinationKeys kMoveCombinationKeys{settings_key::kWMoveF, settings_key::kWMoveShift,
                                                      settings_key::kWMoveOption, settings_key::kWMoveControl,
                                                      settings_key::kWMoveCommand};
inline constexpr CombinationKeys kSizeCombinationKeys{settings_key::kWSizeF, settings_key::kWSizeShift,
                                                      settings_key::kWSizeOption, settings_key::kWSizeControl,
                                                      settings_key::kWSizeCommand};
inline constexpr CombinationKeys kSwipeCombinationKeys{settings_key::kSwipeFn, settings_key::kSwipeShift,
                                                       settings_key::kSwipeOption, settings_key::kSwipeControl,
                                                       settings_key::kSwipeCommand};

// Which of the five modifiers a combination contains.
using ModifierCombination = std::array<bool, 5>;

ModifierCombination readCombination(const SettingsStore& settings, const CombinationKeys& keys);

// True when the modifier's held state is what the combination asks for:
// held and wanted, or not held and not wanted.
inline bool checkFlag(uint64_t bit, uint64_t eventFlags, bool wanted) {
    return ((eventFlags & bit) != 0) == wanted;
}

// A combination matches only exactly: every modifier in it is held and every
// other of the five is not. Caps Lock and the other flag bits do not count.
// A combination of no modifier is matched when none of the five is held.
bool combinationMatches(const ModifierCombination& combination, uint64_t eventFlags);

bool anyModifierIn(const ModifierCombination& combination);

}  // namespace tilvane
