#include "platform/x11/screen_layout.h"

#include <algorithm>

namespace tilvane::x11 {

std::optional<Strut> strutFromProperties(const std::vector<uint32_t>& partial, const std::vector<uint32_t>& full,
                                         Size root) {
    Strut s;
    if (partial.size() >= 12) {
        s = {double(partial[0]), double(partial[1]), double(partial[2]),  double(partial[3]),
             double(partial[4]), double(partial[5]), double(partial[6]),  double(partial[7]),
             double(partial[8]), double(partial[9]), double(partial[10]), double(partial[11])};
    } else if (full.size() >= 4) {
        double lastX = root.width - 1, lastY = root.height - 1;
        s = {
            double(full[0]), double(full[1]), double(full[2]), double(full[3]), 0, lastY, 0, lastY, 0, lastX, 0, lastX};
    } else {
        return std::nullopt;
    }
    if (s.left <= 0 && s.right <= 0 && s.top <= 0 && s.bottom <= 0) return std::nullopt;
    return s;
}

namespace {

bool overlaps(const Rect& a, const Rect& b) {
    return !intersection(a, b).isNull();
}

// A band from start to end inclusive, as the struts give their spans.
double spanLength(double start, double end) {
    return end >= start ? end - start + 1 : 0;
}

}  // namespace

Rect visibleArea(const Rect& monitor, const std::vector<Strut>& struts, Size root) {
    double x0 = monitor.x, y0 = monitor.y, x1 = monitor.maxX(), y1 = monitor.maxY();
    for (const auto& s : struts) {
        if (s.left > 0 && overlaps(monitor, {0, s.leftStartY, s.left, spanLength(s.leftStartY, s.leftEndY)}))
            x0 = std::max(x0, s.left);
        if (s.right > 0 &&
            overlaps(monitor, {root.width - s.right, s.rightStartY, s.right, spanLength(s.rightStartY, s.rightEndY)}))
            x1 = std::min(x1, root.width - s.right);
        if (s.top > 0 && overlaps(monitor, {s.topStartX, 0, spanLength(s.topStartX, s.topEndX), s.top}))
            y0 = std::max(y0, s.top);
        if (s.bottom > 0 && overlaps(monitor, {s.bottomStartX, root.height - s.bottom,
                                               spanLength(s.bottomStartX, s.bottomEndX), s.bottom}))
            y1 = std::min(y1, root.height - s.bottom);
    }
    return {x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0)};
}

std::vector<Monitor> orderedMonitors(std::vector<Monitor> monitors, Size root) {
    if (monitors.empty()) return {Monitor{1, {0, 0, root.width, root.height}, true}};
    auto primary = std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    if (primary != monitors.end()) std::rotate(monitors.begin(), primary, primary + 1);
    return monitors;
}

std::vector<Screen> screensFromMonitors(const std::vector<Monitor>& ordered, const std::vector<Strut>& struts,
                                        Size root) {
    std::vector<Screen> screens;
    if (ordered.empty()) return screens;
    const Rect& p = ordered.front().area;
    // From root coordinates to the program's bottom-left coordinates.
    auto convert = [&p](const Rect& r) {
        return Rect{r.x - p.x, p.height - (r.y - p.y) - r.height, r.width, r.height};
    };
    for (const auto& m : ordered) {
        Rect visible = visibleArea(m.area, struts, root);
        // A panel across the monitor's top stands where a menu bar would.
        double topPanel = std::clamp(visible.y - m.area.y, 0.0, m.area.height);
        screens.push_back({m.id, convert(m.area), convert(visible), topPanel});
    }
    return screens;
}

std::optional<size_t> monitorWithLargestOverlap(const std::vector<Monitor>& monitors, const Rect& rect) {
    std::optional<size_t> best;
    double bestArea = 0;
    for (size_t i = 0; i < monitors.size(); ++i) {
        Rect common = intersection(monitors[i].area, rect);
        if (common.isNull()) continue;
        double area = common.width * common.height;
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    return best;
}

}  // namespace tilvane::x11
