#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

constexpr Rect kLeftHalf{0, 23, 720, 877};

// A 1440 x 900 primary screen (23-point menu bar) with a 1920 x 1080 screen to
// its right; the focused window fills the primary's left half. Three Desktops,
// reported as 30, 20, 10, the first of them current.
class DisplaySpaceDispatchTest : public testing::Test {
protected:
    DisplaySpaceDispatchTest() {
        desktop.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        desktop.addScreen({1440, 0, 1920, 1080});
        auto& w = desktop.addWindow(42, kLeftHalf);
        w.zoomButton = Rect{54, 26, 14, 16};
        window = w.id;
        desktop.focus(window);
        desktop.setSpaces({{30, 0}, {20, 0}, {10, 0}}, 10);
        desktop.setPointer({600, 600});
        desktop.settings().setBool("EnableShotcuts", true);
    }
    Rect frame() { return desktop.window(window).frame; }
    // The key pressed with Control by a Space move, or none.
    std::optional<uint16_t> spaceKey() {
        for (const auto& p : desktop.postedEvents())
            if (p.event.type == EventType::KeyDown && p.event.flags == modifier::kControl) return p.event.keyCode;
        return std::nullopt;
    }

    sim::SimDesktop desktop;
    uint64_t window = 0;
    AppDelegate app{desktop.platform()};
};

TEST_F(DisplaySpaceDispatchTest, DisplayActionsCarryTheWindowOnTheGrid) {
    app.moveWindowToDirection(350, false);
    EXPECT_EQ(frame(), (Rect{1440, -180, 1280, 1080}));
    app.moveWindowToDirection(350, false);
    EXPECT_EQ(frame(), (Rect{0, 23, 960, 877}));
    app.moveWindowToDirectionFromMenu(360);
    EXPECT_EQ(frame(), (Rect{1440, -180, 1280, 1080}));
    EXPECT_TRUE(desktop.postedEvents().empty());
}

TEST_F(DisplaySpaceDispatchTest, SpaceActionsPressTheNeighbouringDesktopsDigit) {
    struct Row {
        const char* name;
        uint64_t current;
        int64_t code;
        uint16_t key;
    };
    const Row rows[] = {
        {"next from the first", 10, 370, 19},
        {"previous from the first wraps to the last", 10, 380, 20},
        {"next from the last wraps to the first", 30, 370, 18},
        {"previous from the middle", 20, 380, 18},
    };
    for (const auto& r : rows) {
        sim::SimDesktop d;
        d.addScreen({0, 0, 1440, 900});
        auto& w = d.addWindow(42, {100, 50, 800, 600});
        w.zoomButton = Rect{154, 53, 14, 16};
        d.focus(w.id);
        d.setSpaces({{30, 0}, {20, 0}, {10, 0}}, r.current);
        d.setPointer({600, 600});
        AppDelegate a(d.platform());
        a.moveWindowToDirectionFromMenu(r.code);
        d.runLoop().advance(1s);

        const Point grab{173, 55};
        const std::vector<sim::PostedEvent> expected{
            {{EventType::MouseMoved, grab, 0, 0}, 0ns},
            {{EventType::LeftMouseDown, grab, 0, 0}, 0ns},
            {{EventType::KeyDown, {}, r.key, modifier::kControl}, 0ns},
            {{EventType::KeyUp, {}, r.key, 0}, 0ns},
            {{EventType::LeftMouseUp, grab, 0, 0}, 500ms},
            {{EventType::MouseMoved, {600, 600}, 0, 0}, 500ms},
        };
        ASSERT_EQ(d.postedEvents().size(), expected.size()) << r.name;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(d.postedEvents()[i].event, expected[i].event) << r.name << " event " << i;
            EXPECT_EQ(d.postedEvents()[i].at, expected[i].at) << r.name << " event " << i;
        }
        EXPECT_TRUE(d.writes().empty()) << r.name;
    }
}

TEST_F(DisplaySpaceDispatchTest, PrevSpaceDoesNothingWhenTheCurrentSpaceIsUnknown) {
    desktop.setSpaces({{30, 0}, {25, 2}, {20, 0}, {10, 0}}, 25);
    app.moveWindowToDirection(380, false);
    desktop.runLoop().advance(1s);
    EXPECT_TRUE(desktop.postedEvents().empty());

    app.moveWindowToDirection(370, false);  // the next number is then the first Desktop
    EXPECT_EQ(spaceKey(), 18);
}

TEST_F(DisplaySpaceDispatchTest, SplitViewLongPressesTheZoomButton) {
    app.moveWindowToDirection(1000, false);
    const auto& posted = desktop.postedEvents();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].event, (SyntheticEvent{EventType::LeftMouseDown, {61, 34}, 0, 0}));
    EXPECT_EQ(posted[1].event, (SyntheticEvent{EventType::LeftMouseUp, {61, 34}, 0, 0}));
    EXPECT_EQ(posted[1].at - posted[0].at, 600ms);
    EXPECT_EQ(frame(), kLeftHalf);
}

TEST_F(DisplaySpaceDispatchTest, EveryActionDoesNothingWithoutAFocusedWindow) {
    struct Arrangement {
        const char* name;
        void (*arrange)(sim::SimDesktop&);
    };
    const Arrangement arrangements[] = {
        {"no focused application", [](sim::SimDesktop& d) { d.clearFocus(); }},
        {"application without a focused window", [](sim::SimDesktop& d) { d.app(42).focusedWindow.reset(); }},
        {"focused window read fails", [](sim::SimDesktop& d) { d.app(42).failFocusedWindowRead = true; }},
    };
    for (int64_t code : {350, 360, 370, 380, 1000}) {
        for (const auto& a : arrangements) {
            sim::SimDesktop d;
            d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
            d.addScreen({1440, 0, 1920, 1080});
            auto& w = d.addWindow(42, kLeftHalf);
            w.zoomButton = Rect{54, 26, 14, 16};
            d.focus(w.id);
            d.setSpaces({{30, 0}, {20, 0}, {10, 0}}, 10);
            a.arrange(d);
            AppDelegate app(d.platform());
            app.moveWindowToDirectionFromMenu(code);
            d.runLoop().advance(1s);
            EXPECT_TRUE(d.writes().empty()) << code << ", " << a.name;
            EXPECT_TRUE(d.postedEvents().empty()) << code << ", " << a.name;
            EXPECT_EQ(d.window(w.id).frame, kLeftHalf) << code << ", " << a.name;
        }
    }
}

TEST_F(DisplaySpaceDispatchTest, DisabledInterfaceStopsOnlyTheSpaceActions) {
    desktop.setApiEnabled(false);
    app.moveWindowToDirection(370, false);
    app.moveWindowToDirection(380, false);
    desktop.runLoop().advance(1s);
    EXPECT_TRUE(desktop.postedEvents().empty());

    app.moveWindowToDirection(350, false);
    EXPECT_EQ(frame(), (Rect{1440, -180, 1280, 1080}));
}

TEST_F(DisplaySpaceDispatchTest, GatesApplyToTheNewActionsToo) {
    desktop.settings().setBool("EnableShotcuts", false);
    for (int64_t code : {350, 360, 370, 380, 1000}) app.moveWindowToDirection(code, false);
    app._prefsWindowActive = true;
    desktop.settings().setBool("EnableShotcuts", true);
    for (int64_t code : {350, 360, 370, 380, 1000}) app.moveWindowToDirectionFromMenu(code);
    desktop.runLoop().advance(1s);
    EXPECT_TRUE(desktop.writes().empty());
    EXPECT_TRUE(desktop.postedEvents().empty());
}

}  // namespace
}  // namespace tilvane
