#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/settings_store.h"

namespace tilvane {

// The five modifiers a mouse or gesture combination is built from, in the
// order they are checked: Fn, Shift, Option, Control, Command.
inline constexpr std::array<uint64_t, 5> kCombinationModifiers{0x800000, 0x20000, 0x80000, 0x40000, 0x100000};

// The settings keys that say, modifier by modifier, whether a combination contains it.
using CombinationKeys = std::array<std::string_view, 5>;
inline constexpr CombinationKeys kMoveCombinationKeys{"WMoveF", "WMoveShift", "WMoveOption", "WMoveControl",
                                                      "WMoveCommand"};
inline constexpr CombinationKeys kSizeCombinationKeys{"WSizeF", "WSizeShift", "WSizeOption", "WSizeControl",
                                                      "WSizeCommand"};
inline constexpr CombinationKeys kSwipeCombinationKeys{"SwipeFn", "SwipeShift", "SwipeOption", "SwipeControl",
                                                       "SwipeCommand"};

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
