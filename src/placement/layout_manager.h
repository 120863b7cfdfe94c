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

// The visible frame (top-left) of the first screen whose visible frame holds
// the window's top-left corner, else the main screen's full frame.
Rect screenFrameForWindow(Accessibility& ax, Screens& screens, const AXElement& window);
// Writes the position first, then the size; results are ignored.
void writeWindowFrame(Accessibility& ax, const AXElement& window, const Rect& frame);

// The reference rectangle for a window whose top-left corner is at corner:
// the first visible frame (top-left coordinates, screen-list order) holding
// it, else mainScreenFrame (top-left), else the zero rectangle.
Rect chooseReferenceRect(Point corner, const std::vector<Rect>& visibleFrames, std::optional<Rect> mainScreenFrame);

// Codes whose reference rectangle is the window's own frame.
bool actsOnWindowFrame(int64_t code);

// The target frame of a placement action for reference rectangle r. Pure; no
// rounding and no clamping.
Rect targetFrameForAction(int64_t code, const Rect& r);

// The top-half toggle: a window already within 50 points of the top half in
// all four numbers is maximized to the reference rectangle instead.
bool isCloseToFrame(const Rect& actual, const Rect& target);

}  // namespace tilvane
