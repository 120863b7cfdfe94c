#pragma once

#include <chrono>

#include "platform/platform.h"

namespace tilvane {

// Hands the frontmost application's focused window to the system's Split
// View the way a user does: a long press on the window's zoom button. Where
// windows have no zoom button (X11) it finds none and does nothing.
class SplitViewActions {
public:
    // Press at the centre of the zoom button, hold, release at the same point.
    // Blocks the calling (main) thread for the hold. Any failed read ends the
    // action before anything is posted.
    static void splitView(const Platform& platform);

    static constexpr auto kHoldDuration = std::chrono::milliseconds(600);
};

}  // namespace tilvane
