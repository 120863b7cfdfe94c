#include "interaction/move_resize_manager.h"

#include <array>
#include <string_view>

#include "accessibility/window_access.h"
#include "interaction/modifier_combination.h"
#include "placement/screen_geometry.h"
#include "platform/settings_keys.h"

namespace tilvane {

namespace {

constexpr uint32_t kOnScreenWindows = kWindowListOnScreenOnly | kWindowListExcludeDesktopElements;
constexpr uint32_t kActivateIgnoringOtherApps = 2;

// Set to true on the grabbed window, in this order, when it is brought to the front.
constexpr std::array<std::string_view, 5> kBringToFrontAttributes{ax::kMain, ax::kFocusedApplication, ax::kFocused,
                                                                  ax::kFocusedWindow, ax::kFrontmost};

}  // namespace

int32_t checkWindowUnderMouse(Point p, const Rect& r) {
    if (!r.containsPoint(p)) return 0;
    double cx = r.x + 0.5 * r.width;
    double cy = r.y + 0.5 * r.height;
    bool right = p.x > cx;
    bool upper = p.y < cy;
    if (upper) return right ? 1 : 2;
    return right ? 4 : 3;
}

Rect resizedFrame(const Rect& f, int32_t quadrant, double dX, double dY, bool fourCornerResizing) {
    if (!fourCornerResizing) return {f.x, f.y, f.width + dX, f.height + dY};
    switch (quadrant) {
        case 1: return {f.x, f.y + dY, f.width + dX, f.height - dY};
        case 2: return {f.x + dX, f.y + dY, f.width - dX, f.height - dY};
        case 3: return {f.x + dX, f.y, f.width - dX, f.height + dY};
        case 4: return {f.x, f.y, f.width + dX, f.height + dY};
        default: return f;
    }
}

float normalizeY(float y, double primaryScreenHeight) {
    return static_cast<float>(primaryScreenHeight - static_cast<double>(y));
}

MoveResizeManager::MoveResizeManager(const Platform& platform) : platform_(platform) {
    if (!platform_.eventMonitors) return;
    auto& monitors = *platform_.eventMonitors;
    monitors.addGlobalMonitor(event_mask::kFlagsChanged, [this](const InputEvent& e) { keyPresEvent(e); });
    monitors.addLocalMonitor(event_mask::kFlagsChanged, [this](const InputEvent& e) { keyPresEvent(e); });
    // Only a global pointer monitor: movement over this program's own windows moves nothing.
    monitors.addGlobalMonitor(event_mask::kMouseMoved, [this](const InputEvent& e) { mouseMoved(e); });
}

bool MoveResizeManager::checkMoveModifierFlags(const InputEvent& event) const {
    if (!platform_.settings || !platform_.settings->boolForKey(settings_key::kWindowMovingEnabled)) return false;
    return combinationMatches(readCombination(*platform_.settings, kMoveCombinationKeys), event.modifierFlags);
}

bool MoveResizeManager::checkResizeModifierFlags(const InputEvent& event) const {
    if (!platform_.settings || !platform_.settings->boolForKey(settings_key::kWindowResizingEnabled)) return false;
    return combinationMatches(readCombination(*platform_.settings, kSizeCombinationKeys), event.modifierFlags);
}

float MoveResizeManager::normalizeY(float y) const {
    // Window bounds are measured from the primary screen's top, so the pointer
    // is flipped against the primary screen's height, not that of the screen
    // with the keyboard focus: with monitors of different heights the latter
    // compares the pointer with the wrong rows.
    double H = primaryScreenHeight(platform_.screens.screens());
    return tilvane::normalizeY(y, H);
}

void MoveResizeManager::keyPresEvent(const InputEvent& event) {
    if (checkResizeModifierFlags(event)) {
        mode_ = kResizeMode;
    } else if (checkMoveModifierFlags(event)) {
        mode_ = kMoveMode;
    } else {
        mode_ = kIdleMode;
        windowRef_.reset();
        return;
    }
    if (!platform_.eventMonitors || !platform_.windowList) return;

    Point location = platform_.eventMonitors->mouseLocation();
    Point pointer{location.x, normalizeY(static_cast<float>(location.y))};
    quadrant_ = 0;
    for (const auto& entry : platform_.windowList->copyWindowInfo(kOnScreenWindows)) {
        if (entry.layer > 0) continue;
        quadrant_ = checkWindowUnderMouse(pointer, entry.bounds);
        if (quadrant_ == 0) continue;
        grabWindow(entry, pointer);
        return;
    }
    // Nothing under the pointer: the previously grabbed window, if any, stays grabbed.
}

void MoveResizeManager::grabWindow(const WindowInfo& entry, Point pointer) {
    Accessibility& ax = platform_.accessibility;
    AXElement app = ax.createApplication(entry.ownerPid);
    // An application whose windows cannot be read gives nothing to grab.
    windowRef_ = firstWindow(ax, app).value_or(nullptr);
    if (!windowRef_) return;
    if (auto focused = readElement(ax, app, ax::kFocusedWindow)) windowRef_ = *focused;

    offset_ = {pointer.x - entry.bounds.x, pointer.y - entry.bounds.y};
    if (platform_.settings && platform_.settings->boolForKey(settings_key::kWMoveSizeEnabledBrigToFront))
        bringToFront(entry.ownerPid);
}

void MoveResizeManager::bringToFront(int32_t pid) {
    for (auto attribute : kBringToFrontAttributes)
        platform_.accessibility.setAttributeValue(windowRef_, attribute, AXValue(true));
    if (platform_.workspace) platform_.workspace->activateApplication(pid, kActivateIgnoringOtherApps);
}

void MoveResizeManager::mouseMoved(const InputEvent& event) {
    if (mode_ == kIdleMode) return;
    if (!windowRef_) {
        platform_.log.write("windowRef == 0");
        return;
    }
    if (mode_ == kResizeMode) {
        resizeWindow(event);
        return;
    }
    if (!platform_.eventMonitors) return;
    Point location = platform_.eventMonitors->mouseLocation();
    Point position{location.x - offset_.x, normalizeY(static_cast<float>(location.y)) - offset_.y};
    platform_.accessibility.setAttributeValue(windowRef_, ax::kPosition, AXValue(position));
}

void MoveResizeManager::resizeWindow(const InputEvent& event) {
    Accessibility& ax = platform_.accessibility;
    // Without the current frame there is nothing to resize from; guessing zeros
    // would collapse the window to the size of one pointer step.
    auto current = readFrame(ax, windowRef_);
    if (!current) return;

    bool fourCorners = platform_.settings && platform_.settings->boolForKey(settings_key::kFourCornerResizing);
    Rect frame = resizedFrame(*current, quadrant_, event.deltaX, event.deltaY, fourCorners);
    ax.setAttributeValue(windowRef_, ax::kSize, AXValue(frame.size()));
    ax.setAttributeValue(windowRef_, ax::kPosition, AXValue(frame.origin()));
}

}  // namespace tilvane
