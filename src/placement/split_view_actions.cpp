#include "placement/split_view_actions.h"

#include <cmath>

namespace tilvane {

void SplitViewActions::splitView(const Platform& platform) {
    if (!platform.workspace || !platform.accessibility || !platform.eventPoster || !platform.runLoop) return;
    auto pid = platform.workspace->frontmostApplicationPid();
    if (!pid) return;

    Accessibility& ax = *platform.accessibility;
    AXElement app = ax.createApplication(*pid);
    if (!app) return;
    auto window = ax.copyAttributeValue(app, ax::kFocusedWindow);
    if (!window.ok() || !window.value.element() || !*window.value.element()) return;
    auto button = ax.copyAttributeValue(*window.value.element(), ax::kZoomButton);
    if (!button.ok() || !button.value.element() || !*button.value.element()) return;
    auto position = ax.copyAttributeValue(*button.value.element(), ax::kPosition);
    if (!position.ok() || !position.value.point()) return;
    auto size = ax.copyAttributeValue(*button.value.element(), ax::kSize);
    if (!size.ok() || !size.value.size()) return;

    const Point origin = *position.value.point();
    const Size extent = *size.value.size();
    const Point centre{origin.x + extent.width / 2, origin.y + extent.height / 2};
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y)) return;

    platform.eventPoster->post({EventType::LeftMouseDown, centre, 0, 0});
    platform.runLoop->sleepFor(kHoldDuration);
    platform.eventPoster->post({EventType::LeftMouseUp, centre, 0, 0});
}

}  // namespace tilvane
