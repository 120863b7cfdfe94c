#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace tilvane {

class LayoutManager;

// Turns a two-finger scroll gesture made while the swipe combination is held
// into a window action for the focused window: mostly horizontal gives the left
// or right half, mostly vertical maximizes or centres. The gesture is summed
// from its beginning to its end and judged once, when the fingers are lifted.
// The action goes straight to the layout computation, without the checks of the
// shortcut dispatch. Created once at start-up and kept.
class SwipeManager {
public:
    SwipeManager(const Platform& platform, LayoutManager& layout);
    SwipeManager(const SwipeManager&) = delete;
    SwipeManager& operator=(const SwipeManager&) = delete;

    void scrollEvent(const InputEvent& event);

    bool swipeModifiersMatch(uint64_t modifierFlags) const;
    bool anySwipeModifierEnabled() const;

    // The action chosen by the last judged gesture; 0 for none.
    int64_t direction() const { return direction_; }

    double scrollDeltaX() const { return scrollDeltaX_; }
    double scrollDeltaY() const { return scrollDeltaY_; }
    bool isHandlingEvent() const { return isHandlingEvent_; }

private:
    Platform platform_;
    LayoutManager& layout_;
    double scrollDeltaX_ = 0;
    double scrollDeltaY_ = 0;
    bool isHandlingEvent_ = false;
    int64_t direction_ = 0;
};

// Is any of the five swipe modifiers switched on? Without one, swiping is off.
bool anySwipeModifierEnabled(const SettingsStore& settings);

// The action for a gesture whose scrolling deltas summed to (dx, dy), judged in
// single precision: vertical when |dy| > |dx| (down 190, up 200), otherwise
// horizontal, a tie included (right 120, left 150). None for no movement.
std::optional<int64_t> judgeSwipe(double dx, double dy);

}  // namespace tilvane
