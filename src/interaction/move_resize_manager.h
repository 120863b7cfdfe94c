#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tilvane {

// Moves or resizes the window under the pointer while the user holds the move
// or the resize combination of modifier keys; no mouse button is involved.
// Pressing a combination grabs the window, every pointer movement then moves
// or resizes it, and any other modifier change lets it go. The settings are
// read on every event, so changes on the preferences take effect at once.
// Created once at start-up and kept for the life of the program; the event
// monitors it installs are never removed.
class MoveResizeManager {
public:
    enum Mode : int32_t { kIdleMode = 0, kMoveMode = 1, kResizeMode = 2 };

    explicit MoveResizeManager(const Platform& platform);
    MoveResizeManager(const MoveResizeManager&) = delete;
    MoveResizeManager& operator=(const MoveResizeManager&) = delete;

    bool checkMoveModifierFlags(const InputEvent& event) const;
    bool checkResizeModifierFlags(const InputEvent& event) const;

    // A modifier change anywhere: grab the window under the pointer or let go.
    void keyPresEvent(const InputEvent& event);
    // A pointer movement over another application: move or resize the grabbed window.
    void mouseMoved(const InputEvent& event);
    // The pointer's y from bottom-left to top-left coordinates.
    float normalizeY(float y) const;

    const AXElement& windowRef() const { return windowRef_; }
    Point offset() const { return offset_; }
    int32_t quadrant() const { return quadrant_; }
    int32_t mode() const { return mode_; }

private:
    void grabWindow(const WindowInfo& entry, Point pointer);
    void bringToFront(int32_t pid);
    void resizeWindow(const InputEvent& event);

    Platform platform_;
    AXElement windowRef_;
    Point offset_;
    int32_t quadrant_ = 0;
    int32_t mode_ = kIdleMode;
};

// Where in the window the pointer is (both in top-left coordinates): 0 outside
// (left and top edges inside, right and bottom edges outside), else 1 upper
// right, 2 upper left, 3 lower left, 4 lower right. A point on the vertical
// centre line counts as left, one on the horizontal centre line as lower.
int32_t checkWindowUnderMouse(Point point, const Rect& rect);

// The window's frame after a pointer movement of (dX, dY) in resize mode. Without
// four-corner resizing the bottom-right corner follows the pointer; with it, the
// corner of the grabbed quadrant does and the opposite corner stays. Quadrant 0
// leaves the frame as it is. No minimum size and no clamping.
Rect resizedFrame(const Rect& frame, int32_t quadrant, double dX, double dY, bool fourCornerResizing);

// Flips a bottom-left y against the primary screen's height, in single precision.
float normalizeY(float y, double primaryScreenHeight);

}  // namespace tilvane
