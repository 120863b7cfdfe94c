#include "accessibility/accessibility_element.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

// A desktop with one focused window (100, 50, 800, 600) whose zoom button is at (154, 53, 14, 16).
struct OneWindow {
    OneWindow() {
        auto& w = desktop.addWindow(5, {100, 50, 800, 600}, "Notes");
        w.zoomButton = Rect{154, 53, 14, 16};
        window = &w;
        desktop.focus(w.id);
    }
    // The window's element, as the accessibility interface hands it out.
    AXElement windowRef() {
        return *desktop.copyAttributeValue(desktop.createApplication(5), ax::kFocusedWindow).value.element();
    }

    sim::SimDesktop desktop;
    sim::SimWindow* window;
};

TEST(AccessibilityElement, FrameIsTheNullRectangleWhenAnyPartIsMissing) {
    const std::pair<void (*)(sim::SimWindow&), Rect> rows[] = {
        {[](sim::SimWindow&) {}, {100, 50, 800, 600}},
        {[](sim::SimWindow& w) { w.failPositionRead = true; }, kNullRect},
        {[](sim::SimWindow& w) { w.failSizeRead = true; }, kNullRect},
        {[](sim::SimWindow& w) { w.positionNotPoint = true; }, kNullRect},
        {[](sim::SimWindow& w) { w.sizeNotSize = true; }, kNullRect},
    };
    for (const auto& [arrange, expected] : rows) {
        OneWindow d;
        arrange(*d.window);
        EXPECT_EQ(AccessibilityElement(d.desktop, d.windowRef()).frame(), expected);
    }
}

TEST(AccessibilityElement, ElementForKeyGivesOnlyElements) {
    OneWindow d;
    AccessibilityElement element(d.desktop, d.windowRef());
    std::optional<AccessibilityElement> zoom = element.elementForKey(ax::kZoomButton);
    ASSERT_TRUE(zoom);
    EXPECT_EQ(zoom->frame(), (Rect{154, 53, 14, 16}));
    EXPECT_FALSE(element.elementForKey(ax::kTitle)) << "a text is not an element";
    d.window->zoomButton.reset();
    EXPECT_FALSE(element.elementForKey(ax::kZoomButton));
}

}  // namespace
}  // namespace tilvane
