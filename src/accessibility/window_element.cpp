#include "accessibility/window_element.h"

#include <cmath>

namespace tilvane {

namespace {

bool isFinite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

WindowElement::WindowElement(const Platform& platform, AXElement element)
    : AccessibilityElement(platform.accessibility, std::move(element)),
      eventPoster_(platform.eventPoster),
      runLoop_(&platform.runLoop) {}

std::optional<WindowElement> WindowElement::focusedWindow(const Platform& platform, WindowAccess& access) {
    if (!UniversalAccessHelper::accessibilityEnabled(access.accessibility())) return std::nullopt;
    auto window = access.focusedWindow();
    if (!window) return std::nullopt;
    return WindowElement(platform, std::move(*window));
}

bool WindowElement::moveToSpace(uint64_t spaceNumber, std::function<void()> done) const {
    if (spaceNumber > kHighestSpaceNumber) return false;
    if (!eventPoster_ || !runLoop_) return false;

    auto zoomButton = elementForKey(ax::kZoomButton);
    Rect window = frame();
    Point pointer = eventPoster_->currentPointerLocation();

    // A point in the title bar: just right of the zoom button, or just inside
    // the window's left edge when it has none.
    double left = zoomButton ? zoomButton->frame().maxX() : window.x;
    Point grab{left + 5, window.y + 5};
    // An unreadable frame is the null rectangle; never click at infinity.
    if (!isFinite(grab) || !isFinite(pointer)) return false;

    uint16_t key = keyCodeForSpaceNumber(spaceNumber);
    const SyntheticEvent moveToGrab{EventType::MouseMoved, grab, 0, 0};
    const SyntheticEvent press{EventType::LeftMouseDown, grab, 0, 0};
    const SyntheticEvent release{EventType::LeftMouseUp, grab, 0, 0};
    const SyntheticEvent moveBack{EventType::MouseMoved, pointer, 0, 0};
    const SyntheticEvent keyDown{EventType::KeyDown, {}, key, modifier::kControl};
    const SyntheticEvent keyUp{EventType::KeyUp, {}, key, 0};

    eventPoster_->post(moveToGrab);
    eventPoster_->post(press);
    eventPoster_->post(keyDown);
    eventPoster_->post(keyUp);

    EventPoster* poster = eventPoster_;
    runLoop_->after(kReleaseDelay, [poster, release, moveBack, done = std::move(done)] {
        poster->post(release);
        poster->post(moveBack);
        if (done) poster->afterPostedEvents(done);
    });
    return true;
}

}  // namespace tilvane
