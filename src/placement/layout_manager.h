#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "accessibility/window_access.h"
#include "platform/platform.h"

namespace tilvane {

// Turns an action code into a new frame for the focused window and writes it.
// Created once, on first use, and kept for the life of the process. A window
// frame it cannot read counts as zero in the numbers it cannot read.
class LayoutManager {
public:
    // The focused window is found through the access handed in.
    LayoutManager(const Platform& platform, WindowAccess& access);

    void moveWindowToDirection(int64_t code);
    WindowAccess& windowAccess() const { return access_; }

private:
    Platform platform_;
    WindowAccess& access_;
};

// The visible frame (top-left) of the screen a placement of the window is relative to (see chooseReferenceRect).
Rect screenFrameForWindow(Accessibility& ax, Screens& screens, const AXElement& window);
// Writes the position first, then the size; results are ignored.
void writeWindowFrame(Accessibility& ax, const AXElement& window, const Rect& frame);

// The reference rectangle for a window with this frame (top-left
// coordinates): the first visible frame (screen-list order) holding its
// top-left corner; else the visible frame sharing the largest area with it
// (earlier ones win ties); else mainVisibleFrame, else the zero rectangle.
// Never a whole screen: a window whose corner lies under a panel or off
// every screen is still placed clear of the panels.
Rect chooseReferenceRect(const Rect& window, const std::vector<Rect>& visibleFrames,
                         std::optional<Rect> mainVisibleFrame);

// Codes whose reference rectangle is the window's own frame.
bool actsOnWindowFrame(int64_t code);

// The target frame of a placement action for reference rectangle r. Pure; no
// rounding and no clamping.
Rect targetFrameForAction(int64_t code, const Rect& r);

// The top-half toggle: a window already within 50 points of the top half in
// all four numbers is maximized to the reference rectangle instead.
bool isCloseToFrame(const Rect& actual, const Rect& target);

}  // namespace tilvane
