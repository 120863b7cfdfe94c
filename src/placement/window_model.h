#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "accessibility/window_access.h"
#include "platform/platform.h"

namespace tilvane {

// The program's handle on one window of another application: reads and
// writes its frame (top-left coordinates), finds the screen that holds most
// of it, and carries it to the next or previous display while keeping its
// place on a coarse grid of three columns and two rows.
//
// Failed reads never reach the caller: they give zero values and, for the
// position and an unreadable size, one log line.
class WindowModel {
public:
    // Takes over the reference to the window's element.
    WindowModel(const Platform& platform, AXElement window);

    // The screen's visible frame in top-left coordinates; (0, H, 0, 0) for no screen.
    static Rect realFrameForScreen(const std::optional<Screen>& screen, const std::vector<Screen>& screens);
    // The focused application's focused window; none when either read fails
    // or the focused "window" is not an element.
    static std::optional<WindowModel> focusedWindow(const Platform& platform, WindowAccess& access);

    Point topLeft() const;
    Size size() const;
    // Position, then size: two separate reads.
    Rect frame() const;
    void setTopLeft(Point topLeft);
    void setSize(Size size);
    // Size, position, size again: an application that refuses a position
    // beyond the screen's edge for the old size accepts it after the resize,
    // and one that clamped the first size gets it again at the new place.
    void setFrame(const Rect& frame);

    // The screen whose visible frame overlaps the window most; none when no
    // visible frame overlaps it at all.
    std::optional<Screen> screen() const;
    // The window's cells on the grid of its screen; kNullRect for a window
    // that has no screen.
    Rect gridProps() const;
    // Places the window on those cells of the given screen, on whole points
    // and unclamped. Grid props that are not finite are ignored.
    void moveToGridProps(const Rect& gridProps, const Screen& screen);
    // A window that has no screen stays where it is.
    void moveToNextScreen();
    void moveToPreviousScreen();

private:
    void moveToScreen(bool next);
    void log(std::string_view line) const;

    Platform platform_;
    AXElement window_;
};

inline constexpr double kGridColumns = 3;
inline constexpr double kGridRows = 2;

// The index of the rectangle that overlaps the window by the largest area;
// an earlier rectangle keeps its place on equal areas. None when no area is
// above zero.
std::optional<size_t> indexOfLargestOverlap(const Rect& window, const std::vector<Rect>& visibleFrames);

// Column, row, columns and rows of the window on the grid of a visible frame
// (both top-left). Halves round away from zero; at least one column and row;
// no upper limit and no lower limit on the indices.
Rect gridPropsForFrame(const Rect& window, const Rect& visibleFrame);

// The rectangle covered by the grid cells of a visible frame, made integral.
Rect frameForGridProps(const Rect& gridProps, const Rect& visibleFrame);

// The smallest rectangle with whole-number edges that contains r; the zero
// rectangle for a rectangle without area.
Rect integralRect(const Rect& r);

}  // namespace tilvane
