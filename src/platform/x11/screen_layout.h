#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry.h"
#include "platform/screens.h"

namespace tilvane::x11 {

// One monitor as RandR reports it, in root-window coordinates (top-left,
// origin at the corner of the X screen).
struct Monitor {
    uint64_t id = 0;
    Rect area;
    bool primary = false;
};

// What a window (a panel, a dock) reserves along the edges of the X screen,
// in the layout of _NET_WM_STRUT_PARTIAL: widths from each edge of the root
// window and the span each one covers (start and end inclusive).
struct Strut {
    double left = 0, right = 0, top = 0, bottom = 0;
    double leftStartY = 0, leftEndY = 0, rightStartY = 0, rightEndY = 0;
    double topStartX = 0, topEndX = 0, bottomStartX = 0, bottomEndX = 0;
    friend bool operator==(const Strut&, const Strut&) = default;
};

// The strut of a window from its _NET_WM_STRUT_PARTIAL words, else from its
// _NET_WM_STRUT words (which span whole edges); none when it reserves nothing.
std::optional<Strut> strutFromProperties(const std::vector<uint32_t>& partial, const std::vector<uint32_t>& full,
                                         Size root);

// The monitor's area without the parts that struts reserve on its edges. A
// strut counts for a monitor only where its reserved band overlaps it.
Rect visibleArea(const Rect& monitor, const std::vector<Strut>& struts, Size root);

// The monitors in screen-list order: the primary first, else the first one;
// the whole root window when there are none.
std::vector<Monitor> orderedMonitors(std::vector<Monitor> monitors, Size root);

// The screen list the program works with: frames and visible frames in
// bottom-left coordinates with the origin at the primary monitor, and as the
// menu bar of each the panels across its top.
std::vector<Screen> screensFromMonitors(const std::vector<Monitor>& ordered, const std::vector<Strut>& struts,
                                        Size root);

// The index of the monitor that shares the largest area with the rectangle
// (earlier monitors win ties); none when it overlaps no monitor.
std::optional<size_t> monitorWithLargestOverlap(const std::vector<Monitor>& monitors, const Rect& rect);

}  // namespace tilvane::x11
