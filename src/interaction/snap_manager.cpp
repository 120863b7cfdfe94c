#include "interaction/snap_manager.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "accessibility/window_access.h"
#include "placement/action_codes.h"
#include "placement/layout_manager.h"
#include "placement/screen_geometry.h"
#include "platform/settings_keys.h"

namespace tilvane {

namespace {

constexpr uint32_t kOnScreenWindows = kWindowListOnScreenOnly | kWindowListExcludeDesktopElements;
// How far the side zones reach into the screen and the top strip below the menu bar.
constexpr int32_t kSideZoneLastPoint = 149;
constexpr double kTopStripBelowMenuBar = 150.0;

bool inSideZone(double edge, double x) {
    int32_t distance = trunc32(edge - x);
    return 0 <= distance && distance <= kSideZoneLastPoint;
}

double distanceSquared(Point p, const Rect& r) {
    double dx = std::max({r.x - p.x, 0.0, p.x - r.maxX()});
    double dy = std::max({r.y - p.y, 0.0, p.y - r.maxY()});
    return dx * dx + dy * dy;
}

std::string describe(const std::optional<SnapManager::ListedWindow>& listed) {
    if (!listed) return "(null)";
    return "<AXUIElement window of pid " + std::to_string(listed->ownerPid) + ">";
}

}  // namespace

int32_t trunc32(double value) {
    if (std::isnan(value)) return 0;
    double t = std::trunc(value);
    if (t >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (t <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(t);
}

std::optional<size_t> screenForPointer(Point pointer, const std::vector<Screen>& screens) {
    double H = primaryScreenHeight(screens);
    std::optional<size_t> nearest;
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < screens.size(); ++i) {
        Rect frame = flipRect(screens[i].frame, H);
        if (frame.containsPoint(pointer)) return i;
        double d = distanceSquared(pointer, frame);
        if (!nearest || d < best) {
            nearest = i;
            best = d;
        }
    }
    return nearest;
}

SnapZone snapZoneForPointer(Point p, const std::vector<Screen>& screens, double menuBarHeight) {
    SnapZone zone;
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return zone;
    auto index = screenForPointer(p, screens);
    if (!index) return zone;
    const Screen& screen = screens[*index];
    // Only x values of the visible frame are used, and x is the same in both coordinate systems.
    const Rect& visible = screen.visibleFrame;
    double top = flipRect(screen.frame, primaryScreenHeight(screens)).y;
    double barHeight = std::max(menuBarHeight, screen.menuBarHeight);

    if (inSideZone(visible.x, p.x)) {
        zone.matched = true;
        zone.code = action::kLeft;
    }
    if (inSideZone(visible.x + visible.width, p.x)) {
        zone.matched = true;
        zone.snappingRight = true;
        zone.code = action::kRight;
    }
    if (barHeight + kTopStripBelowMenuBar > static_cast<double>(trunc32(p.y - top))) {
        zone.matched = true;
        zone.code = action::kTop;
    }
    return zone;
}

SnapManager::SnapManager(const Platform& platform, LayoutManager& layout) : platform_(platform), layout_(layout) {
    if (!platform_.eventMonitors) return;
    tapInstalled_ = platform_.eventMonitors->createListenOnlyTap(event_mask::kLeftMouseUp,
                                                                 [this](const InputEvent& e) { snapTapCallback(e); });
}

std::optional<SnapManager::ListedWindow> SnapManager::probeListedWindow() {
    std::optional<ListedWindow> result;
    if (!platform_.windowList) return result;
    Accessibility& ax = platform_.accessibility;
    for (const auto& entry : platform_.windowList->copyWindowInfo(kOnScreenWindows)) {
        if (entry.layer > 0) continue;
        result.reset();
        if (auto first = firstWindow(ax, ax.createApplication(entry.ownerPid)))
            result = ListedWindow{*first, entry.ownerPid};
    }
    return result;
}

void SnapManager::snapTapCallback(const InputEvent& event) {
    if (event.type != EventType::LeftMouseUp) return;
    if (!platform_.settings || !platform_.settings->boolForKey(settings_key::kSnapToEdgeEnabled)) return;
    if (!layout_.windowAccess().focusedWindow()) return;

    SnapZone zone = snapZoneForPointer(event.location, platform_.screens.screens(), platform_.screens.menuBarHeight());
    if (zone.snappingRight) platform_.log.write(" Window snapping to right!");

    auto listed = probeListedWindow();
    platform_.log.write(describe(listed));
    platform_.log.write(zone.matched ? "1" : "0");
    if (zone.matched && listed) layout_.moveWindowToDirection(zone.code);
}

SnapToEdgeSwitch::SnapToEdgeSwitch(const Platform& platform, LayoutManager& layout)
    : platform_(platform), layout_(layout) {
    if (!platform_.settings) return;
    observer_ = platform_.settings->addObserver([this](const std::string& key) {
        if (key == settings_key::kSnapToEdgeEnabled) settingChanged();
    });
    settingChanged();
}

SnapToEdgeSwitch::~SnapToEdgeSwitch() {
    if (observer_) platform_.settings->removeObserver(*observer_);
}

void SnapToEdgeSwitch::settingChanged() {
    if (snapMan_ || !platform_.settings->boolForKey(settings_key::kSnapToEdgeEnabled)) return;
    snapMan_ = std::make_unique<SnapManager>(platform_, layout_);
}

}  // namespace tilvane
