#pragma once

// The placements every desktop's tests check, as fractions of a screen's
// usable area or as changes of the window's own frame.

#include <cmath>

#include "platform/geometry.h"

namespace tilvane::e2e {

// The area with its far edges rounded to whole pixels, the way the program
// places fractional frames.
inline Rect pixelRect(const Rect& r) {
    double x0 = std::lround(r.x), y0 = std::lround(r.y);
    return {x0, y0, std::lround(r.x + r.width) - x0, std::lround(r.y + r.height) - y0};
}

// A placement relative to the monitor's visible area: the target's origin
// and size as fractions of it.
struct ScreenRow {
    const char* action;
    double x, y, width, height;
};

inline const ScreenRow kScreenRows[] = {
    {"top-left", 0, 0, 0.5, 0.5},
    {"left", 0, 0, 0.5, 1},
    {"bottom-left", 0, 0.5, 0.5, 0.5},
    {"top-right", 0.5, 0, 0.5, 0.5},
    {"right", 0.5, 0, 0.5, 1},
    {"bottom-right", 0.5, 0.5, 0.5, 0.5},
    {"top", 0, 0, 1, 0.5},
    {"bottom", 0, 0.5, 1, 0.5},
    {"maximize", 0, 0, 1, 1},
    {"center", 0.25, 0.25, 0.5, 0.5},
    {"center-left", 0, 0.25, 0.5, 0.5},
    {"center-right", 0.5, 0.25, 0.5, 0.5},
    {"left-third", 0, 0, 1.0 / 3, 1},
    {"center-third", 1.0 / 3, 0, 1.0 / 3, 1},
    {"right-third", 2.0 / 3, 0, 1.0 / 3, 1},
    {"top-third", 0, 0, 1, 1.0 / 3},
    {"middle-third", 0, 1.0 / 3, 1, 1.0 / 3},
    {"bottom-third", 0, 2.0 / 3, 1, 1.0 / 3},
};

inline Rect target(const ScreenRow& row, const Rect& v) {
    return pixelRect({v.x + row.x * v.width, v.y + row.y * v.height, row.width * v.width, row.height * v.height});
}

// A change of the window's own frame, in pixels.
struct WindowRow {
    const char* action;
    double dx, dy, dwidth, dheight;
};

inline const WindowRow kWindowRows[] = {
    {"increase", 0, 0, 20, 20},   {"reduce", 0, 0, -20, -20}, {"nudge-left", -15, 0, 0, 0},
    {"nudge-right", 15, 0, 0, 0}, {"nudge-up", 0, -15, 0, 0}, {"nudge-down", 0, 15, 0, 0},
};

}  // namespace tilvane::e2e
