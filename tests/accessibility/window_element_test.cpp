// Window elements on the simulated desktop: their frame, and the input that
// carries a window to another desktop.

#include "accessibility/window_element.h"

#include <gtest/gtest.h>

#include "accessibility/accessibility_element.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

constexpr Point kPointer{400, 700};

// A focused window (100, 50, 800, 600), with or without its zoom button at
// (154, 53, 14, 16); the pointer rests at kPointer.
struct OneWindow {
    explicit OneWindow(bool zoomButton = true) {
        auto& w = desktop.addWindow(5, {100, 50, 800, 600}, "Notes");
        if (zoomButton) w.zoomButton = Rect{154, 53, 14, 16};
        window = &w;
        desktop.focus(w.id);
        desktop.setPointer(kPointer);
    }
    AccessibilityElement element() {
        return {desktop, *desktop.copyAttributeValue(desktop.createApplication(5), ax::kFocusedWindow).value.element()};
    }
    void moveToSpace(uint64_t n) {
        WindowElement::focusedWindow(desktop.platform(), access)->moveToSpace(n);
        desktop.runLoop().advance(1s);
    }

    sim::SimDesktop desktop;
    WindowAccess access{desktop};
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
        EXPECT_EQ(d.element().frame(), expected);
    }
}

TEST(MoveToSpace, GrabsTheTitleBarPressesControlDigitAndLetsGoHalfASecondLater) {
    const std::tuple<uint64_t, bool, uint16_t> rows[] = {
        {3, true, 20}, {10, true, 29}, {12, true, 19}, {16, false, 22}};
    for (const auto& [space, zoomButton, key] : rows) {
        OneWindow m(zoomButton);
        m.moveToSpace(space);
        const Point grab = zoomButton ? Point{173, 55} : Point{105, 55};
        const std::vector<sim::PostedEvent> expected{
            {{EventType::MouseMoved, grab, 0, 0}, 0ns},
            {{EventType::LeftMouseDown, grab, 0, 0}, 0ns},
            {{EventType::KeyDown, {}, key, modifier::kControl}, 0ns},
            {{EventType::KeyUp, {}, key, 0}, 0ns},
            {{EventType::LeftMouseUp, grab, 0, 0}, 500ms},
            {{EventType::MouseMoved, kPointer, 0, 0}, 500ms},
        };
        const auto& posted = m.desktop.postedEvents();
        ASSERT_EQ(posted.size(), expected.size()) << "Space " << space;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(posted[i].event, expected[i].event) << "Space " << space << ", event " << i;
            EXPECT_EQ(posted[i].at, expected[i].at) << "Space " << space << ", event " << i;
        }
    }
}

TEST(MoveToSpace, PostsNothingAbove16OrWhereItCannotAim) {
    const std::pair<uint64_t, void (*)(sim::SimWindow&)> rows[] = {
        {17, [](sim::SimWindow&) {}},
        {0x7FFFFFFFFFFFFFFF, [](sim::SimWindow&) {}},
        {2, [](sim::SimWindow& w) { w.failPositionRead = true; }},
        {2, [](sim::SimWindow& w) { w.failZoomButtonSizeRead = true; }},
    };
    for (const auto& [space, arrange] : rows) {
        OneWindow m;
        arrange(*m.window);
        m.moveToSpace(space);
        EXPECT_TRUE(m.desktop.postedEvents().empty()) << space;
    }
}

}  // namespace
}  // namespace tilvane
