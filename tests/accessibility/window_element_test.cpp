#include "accessibility/window_element.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

SyntheticEvent mouse(EventType type, Point at) {
    return {type, at, 0, 0};
}
SyntheticEvent key(EventType type, uint16_t code, uint64_t flags) {
    return {type, {}, code, flags};
}

std::vector<SyntheticEvent> eventsPosted(const sim::SimDesktop& desktop, std::chrono::nanoseconds at) {
    std::vector<SyntheticEvent> events;
    for (const auto& p : desktop.postedEvents())
        if (p.at == at) events.push_back(p.event);
    return events;
}

// The window (100, 50, 800, 600) with its zoom button at (154, 53, 14, 16);
// the pointer rests at (400, 700).
class MoveToSpaceTest : public testing::Test {
protected:
    MoveToSpaceTest() {
        desktop.addScreen({0, 0, 1440, 900});
        auto& w = desktop.addWindow(5, {100, 50, 800, 600});
        w.zoomButton = Rect{154, 53, 14, 16};
        window = w.id;
        desktop.focus(window);
        desktop.setPointer(kPointer);
    }
    void moveToSpace(uint64_t n) {
        auto element = WindowElement::focusedWindow(desktop.platform());
        ASSERT_TRUE(element);
        element->moveToSpace(n);
    }

    static constexpr Point kPointer{400, 700};
    sim::SimDesktop desktop;
    uint64_t window = 0;
};

TEST_F(MoveToSpaceTest, GrabsTheTitleBarPressesControlDigitAndLetsGoHalfASecondLater) {
    struct Row {
        uint64_t space;
        bool zoomButton;
        uint16_t keyCode;
    };
    const Row rows[] = {
        {3, true, 20}, {3, false, 20}, {10, true, 29}, {12, true, 19}, {16, false, 22}, {1, true, 18},
    };
    for (const auto& r : rows) {
        sim::SimDesktop d;
        auto& w = d.addWindow(5, {100, 50, 800, 600});
        if (r.zoomButton) w.zoomButton = Rect{154, 53, 14, 16};
        d.focus(w.id);
        d.setPointer(kPointer);
        const Point grab = r.zoomButton ? Point{173, 55} : Point{105, 55};

        auto element = WindowElement::focusedWindow(d.platform());
        ASSERT_TRUE(element);
        element->moveToSpace(r.space);

        const std::vector<SyntheticEvent> atOnce{
            mouse(EventType::MouseMoved, grab),
            mouse(EventType::LeftMouseDown, grab),
            key(EventType::KeyDown, r.keyCode, modifier::kControl),
            key(EventType::KeyUp, r.keyCode, 0),
        };
        EXPECT_EQ(eventsPosted(d, 0ns), atOnce) << "Space " << r.space;
        d.runLoop().advance(499ms);
        EXPECT_EQ(d.postedEvents().size(), 4u) << "Space " << r.space;
        d.runLoop().advance(1ms);
        const std::vector<SyntheticEvent> later{
            mouse(EventType::LeftMouseUp, grab),
            mouse(EventType::MouseMoved, kPointer),
        };
        EXPECT_EQ(eventsPosted(d, 500ms), later) << "Space " << r.space;
        EXPECT_EQ(d.postedEvents().size(), 6u) << "Space " << r.space;
    }
}

TEST(SpaceKeys, LastDecimalDigitOfTheSpaceNumber) {
    const std::pair<uint64_t, uint16_t> rows[] = {{0, 29},  {1, 18},  {2, 19},  {3, 20},  {4, 21},  {5, 23},
                                                  {6, 22},  {7, 26},  {8, 28},  {9, 25},  {10, 29}, {11, 18},
                                                  {12, 19}, {13, 20}, {14, 21}, {15, 23}, {16, 22}};
    for (auto [space, code] : rows) EXPECT_EQ(keyCodeForSpaceNumber(space), code) << space;
}

TEST_F(MoveToSpaceTest, PostsNothingItCannotAimOrForNumbersAbove16) {
    struct Row {
        const char* name;
        uint64_t space;
        void (*arrange)(sim::SimWindow&);
    };
    const Row rows[] = {
        {"Space 17", 17, [](sim::SimWindow&) {}},
        {"not-found index", 0x7FFFFFFFFFFFFFFF, [](sim::SimWindow&) {}},
        {"window position unreadable", 2, [](sim::SimWindow& w) { w.failPositionRead = true; }},
        {"window size unreadable", 2, [](sim::SimWindow& w) { w.failSizeRead = true; }},
        {"zoom button position unreadable", 2, [](sim::SimWindow& w) { w.failZoomButtonPositionRead = true; }},
        {"zoom button size unreadable", 2, [](sim::SimWindow& w) { w.failZoomButtonSizeRead = true; }},
    };
    for (const auto& r : rows) {
        sim::SimDesktop d;
        auto& w = d.addWindow(5, {100, 50, 800, 600});
        w.zoomButton = Rect{154, 53, 14, 16};
        d.focus(w.id);
        r.arrange(w);
        auto element = WindowElement::focusedWindow(d.platform());
        ASSERT_TRUE(element) << r.name;
        element->moveToSpace(r.space);
        d.runLoop().advance(1s);
        EXPECT_TRUE(d.postedEvents().empty()) << r.name;
    }
}

TEST_F(MoveToSpaceTest, SecondMoveWithinHalfASecondInterleaves) {
    moveToSpace(2);
    desktop.runLoop().advance(100ms);
    moveToSpace(3);
    desktop.runLoop().advance(1s);
    std::vector<EventType> types;
    for (const auto& p : desktop.postedEvents()) types.push_back(p.event.type);
    const std::vector<EventType> expected{
        EventType::MouseMoved,  EventType::LeftMouseDown, EventType::KeyDown,     EventType::KeyUp,
        EventType::MouseMoved,  EventType::LeftMouseDown, EventType::KeyDown,     EventType::KeyUp,
        EventType::LeftMouseUp, EventType::MouseMoved,    EventType::LeftMouseUp, EventType::MouseMoved,
    };
    EXPECT_EQ(types, expected);
}

TEST_F(MoveToSpaceTest, ReleasesTheElementsItReads) {
    auto element = WindowElement::focusedWindow(desktop.platform());
    ASSERT_TRUE(element);
    const size_t before = desktop.liveElements();
    element->moveToSpace(4);
    desktop.runLoop().advance(1s);
    EXPECT_EQ(desktop.liveElements(), before);
}

TEST(FocusedWindowElement, NoneWhenAccessibilityIsOffOrNothingIsFocused) {
    struct Row {
        const char* name;
        void (*arrange)(sim::SimDesktop&);
    };
    const Row rows[] = {
        {"interface disabled", [](sim::SimDesktop& d) { d.setApiEnabled(false); }},
        {"no focused application", [](sim::SimDesktop& d) { d.clearFocus(); }},
        {"no focused window", [](sim::SimDesktop& d) { d.app(5).focusedWindow.reset(); }},
        {"focused window read fails", [](sim::SimDesktop& d) { d.app(5).failFocusedWindowRead = true; }},
        {"focused value is not an element", [](sim::SimDesktop& d) { d.app(5).focusedWindowIsText = true; }},
    };
    for (const auto& r : rows) {
        sim::SimDesktop d;
        d.focus(d.addWindow(5, {100, 50, 800, 600}).id);
        ASSERT_TRUE(WindowElement::focusedWindow(d.platform())) << r.name;
        r.arrange(d);
        EXPECT_FALSE(WindowElement::focusedWindow(d.platform())) << r.name;
    }
}

TEST(FocusedWindowElement, IsTheFocusedWindow) {
    sim::SimDesktop d;
    d.addWindow(5, {0, 0, 10, 10});
    auto id = d.addWindow(6, {100, 50, 800, 600}).id;
    d.focus(id);
    auto element = WindowElement::focusedWindow(d.platform());
    ASSERT_TRUE(element);
    EXPECT_EQ(element->frame(), (Rect{100, 50, 800, 600}));
}

}  // namespace
}  // namespace tilvane
