#include "interaction/swipe_manager.h"

#include <cmath>

#include "interaction/modifier_combination.h"
#include "placement/action_codes.h"
#include "placement/layout_manager.h"
#include "platform/settings_keys.h"

namespace tilvane {

bool anySwipeModifierEnabled(const SettingsStore& settings) {
    return anyModifierIn(readCombination(settings, kSwipeCombinationKeys));
}

std::optional<int64_t> judgeSwipe(double dx, double dy) {
    float ax = std::fabs(static_cast<float>(dx));
    float ay = std::fabs(static_cast<float>(dy));
    if (!(ax + ay > 0.0f)) return std::nullopt;
    if (ay > ax) {
        if (dy > 0) return action::kMaximize;
        if (dy < 0) return action::kCenter;
        return std::nullopt;
    }
    if (dx > 0) return action::kLeft;
    if (dx < 0) return action::kRight;
    return std::nullopt;
}

SwipeManager::SwipeManager(const Platform& platform, LayoutManager& layout) : platform_(platform), layout_(layout) {
    if (platform_.eventMonitors)
        platform_.eventMonitors->addGlobalMonitor(event_mask::kScrollWheel,
                                                  [this](const InputEvent& e) { scrollEvent(e); });
}

bool SwipeManager::anySwipeModifierEnabled() const {
    return platform_.settings && tilvane::anySwipeModifierEnabled(*platform_.settings);
}

bool SwipeManager::swipeModifiersMatch(uint64_t modifierFlags) const {
    if (!platform_.settings || !platform_.settings->boolForKey(settings_key::kEnableSwipeGestures)) return false;
    if (!anySwipeModifierEnabled()) return false;
    return combinationMatches(readCombination(*platform_.settings, kSwipeCombinationKeys), modifierFlags);
}

void SwipeManager::scrollEvent(const InputEvent& event) {
    if (!swipeModifiersMatch(event.modifierFlags)) return;
    switch (event.phase) {
        case ScrollPhase::Began:
            scrollDeltaX_ = 0;
            scrollDeltaY_ = 0;
            isHandlingEvent_ = true;
            break;
        case ScrollPhase::Changed:
            if (!isHandlingEvent_) break;
            scrollDeltaX_ += event.scrollingDeltaX;
            scrollDeltaY_ += event.scrollingDeltaY;
            break;
        case ScrollPhase::Ended: {
            // The end of a gesture that began without the combination was never
            // tracked: it does nothing, and the last gesture's direction stays.
            if (!isHandlingEvent_) break;
            isHandlingEvent_ = false;
            auto result = judgeSwipe(scrollDeltaX_, scrollDeltaY_);
            scrollDeltaX_ = 0;
            scrollDeltaY_ = 0;
            direction_ = result.value_or(0);
            if (direction_ > 0) layout_.moveWindowToDirection(direction_);
            break;
        }
        default:
            // Stationary, cancelled, may-begin, and wheel or momentum events without a phase.
            break;
    }
}

}  // namespace tilvane
