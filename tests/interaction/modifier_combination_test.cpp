#include "interaction/modifier_combination.h"

#include <gtest/gtest.h>

#include "platform/events.h"

namespace tilvane {
namespace {

using namespace modifier;

constexpr ModifierCombination kNone{false, false, false, false, false};
constexpr ModifierCombination kControlCommand{false, false, false, true, true};
constexpr ModifierCombination kFn{true, false, false, false, false};

TEST(CombinationRule, MatchesOnlyTheExactCombination) {
    const struct {
        const char* name;
        ModifierCombination combination;
        uint64_t flags;
        bool matches;
    } cases[] = {
        {"held exactly", kControlCommand, kControl | kCommand, true},
        {"Caps Lock held as well", kControlCommand, kControl | kCommand | kCapsLock, true},
        {"numeric-pad bit as well", kControlCommand, kControl | kCommand | kNumericPad, true},
        {"one of two held", kControlCommand, kControl, false},
        {"extra Shift", kControlCommand, kControl | kCommand | kShift, false},
        {"Fn alone", kFn, kFunction, true},
        {"all five off, nothing held", kNone, 0, true},
        {"all five off, Caps Lock only", kNone, kCapsLock, true},
        {"all five off, Shift held", kNone, kShift, false},
    };
    for (const auto& c : cases) EXPECT_EQ(combinationMatches(c.combination, c.flags), c.matches) << c.name;
}

}  // namespace
}  // namespace tilvane
