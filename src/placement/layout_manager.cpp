#include "placement/layout_manager.h"

#include <cmath>

#include "placement/action_codes.h"
#include "placement/screen_geometry.h"

namespace tilvane {

LayoutManager::LayoutManager(const Platform& platform, WindowAccess& access) : platform_(platform), access_(access) {}

Rect chooseReferenceRect(const Rect& window, const std::vector<Rect>& visibleFrames,
                         std::optional<Rect> mainVisibleFrame) {
    for (const auto& f : visibleFrames)
        if (f.containsPoint(window.origin())) return f;
    // The corner is under a panel or off every screen: the screen that holds
    // most of the window, never the whole screen with its panels.
    const Rect* best = nullptr;
    double bestArea = 0;
    for (const auto& f : visibleFrames) {
        Rect common = intersection(f, window);
        double area = common.isNull() ? 0 : common.width * common.height;
        if (area > bestArea) {
            bestArea = area;
            best = &f;
        }
    }
    if (best) return *best;
    return mainVisibleFrame.value_or(Rect{});
}

Rect screenFrameForWindow(Accessibility& ax, Screens& screens, const AXElement& window) {
    Rect frame = readFrameWithZerosForUnreadableParts(ax, window);
    auto list = screens.screens();
    std::vector<Rect> visible;
    for (const auto& s : list) visible.push_back(frameWithoutDockOrMenu(s, list));
    std::optional<Rect> main;
    if (auto m = screens.mainScreen()) main = frameWithoutDockOrMenu(*m, list);
    return chooseReferenceRect(frame, visible, main);
}

void writeWindowFrame(Accessibility& ax, const AXElement& window, const Rect& frame) {
    ax.setAttributeValue(window, ax::kPosition, AXValue(frame.origin()));
    ax.setAttributeValue(window, ax::kSize, AXValue(frame.size()));
}

bool actsOnWindowFrame(int64_t code) {
    switch (code) {
        case action::kIncrease:
        case action::kReduce:
        case action::kNudgeLeft:
        case action::kNudgeRight:
        case action::kNudgeUp:
        case action::kNudgeDown: return true;
        default: return false;
    }
}

Rect targetFrameForAction(int64_t code, const Rect& r) {
    const double x = r.x, y = r.y, w = r.width, h = r.height;
    switch (code) {
        case action::kTopLeft: return {x, y, w * 0.5, h * 0.5};
        case action::kLeft: return {x, y, w * 0.5, h};
        case action::kBottomLeft: return {x, y + h * 0.5, w * 0.5, h * 0.5};
        case action::kTopRight: return {x + w * 0.5, y, w * 0.5, h * 0.5};
        case action::kRight: return {x + w * 0.5, y, w * 0.5, h};
        case action::kBottomRight: return {x + w * 0.5, y + h * 0.5, w * 0.5, h * 0.5};
        case action::kTop: return {x, y, w, h * 0.5};
        case action::kBottom: return {x, y + h * 0.5, w, h * 0.5};
        case action::kMaximize: return {x, y, w, h};
        case action::kCenter: return {x + w * 0.25, y + h * 0.25, w * 0.5, h * 0.5};
        case action::kCenterLeft: return {x, y + h * 0.25, w * 0.5, h * 0.5};
        case action::kCenterRight: return {x + w * 0.5, y + h * 0.25, w * 0.5, h * 0.5};
        case action::kLeftThird: return {x, y, w / 3, h};
        case action::kCenterVerticalThird: return {x + w / 3, y, w / 3, h};
        case action::kRightThird: return {(w / 3 + w / 3) + x, y, w / 3, h};
        case action::kTopThird: return {x, y, w, h / 3};
        case action::kCenterHorizontalThird: return {x, y + h / 3, w, h / 3};
        case action::kBottomThird: return {x, y + h / 1.5, w, h / 3};
        case action::kIncrease: return {x, y, w + 20, h + 20};
        case action::kReduce: return {x, y, w - 20, h - 20};
        case action::kNudgeLeft: return {x - 15, y, w, h};
        case action::kNudgeRight: return {x + 15, y, w, h};
        case action::kNudgeUp: return {x, y - 15, w, h};
        case action::kNudgeDown: return {x, y + 15, w, h};
        default: return r;
    }
}

bool isCloseToFrame(const Rect& a, const Rect& t) {
    return std::fabs(a.x - t.x) < 50 && std::fabs(a.y - t.y) < 50 && std::fabs(a.width - t.width) < 50 &&
           std::fabs(a.height - t.height) < 50;
}

void LayoutManager::moveWindowToDirection(int64_t code) {
    Accessibility& ax = access_.accessibility();
    auto window = access_.focusedWindow();
    if (!window) return;
    if (actsOnWindowFrame(code)) {
        writeWindowFrame(ax, *window, targetFrameForAction(code, readFrameWithZerosForUnreadableParts(ax, *window)));
        return;
    }
    Rect reference = screenFrameForWindow(ax, platform_.screens, *window);
    Rect target = targetFrameForAction(code, reference);
    if (code == action::kTop && isCloseToFrame(readFrameWithZerosForUnreadableParts(ax, *window), target))
        target = reference;
    writeWindowFrame(ax, *window, target);
}

}  // namespace tilvane
