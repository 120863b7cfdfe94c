#include "placement/split_view_actions.h"

#include <cmath>

#include "accessibility/window_access.h"

namespace tilvane {

void SplitViewActions::splitView(const Platform& platform) {
    if (!platform.workspace || !platform.eventPoster) return;
    auto pid = platform.workspace->frontmostApplicationPid();
    if (!pid) return;

    Accessibility& ax = platform.accessibility;
    auto window = readElement(ax, ax.createApplication(*pid), ax::kFocusedWindow);
    if (!window) return;
    auto button = readElement(ax, *window, ax::kZoomButton);
    if (!button) return;
    auto frame = readFrame(ax, *button);
    if (!frame) return;

    const Point centre{frame->x + frame->width / 2, frame->y + frame->height / 2};
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y)) return;

    platform.eventPoster->post({EventType::LeftMouseDown, centre, 0, 0});
    platform.runLoop.sleepFor(kHoldDuration);
    platform.eventPoster->post({EventType::LeftMouseUp, centre, 0, 0});
}

}  // namespace tilvane
