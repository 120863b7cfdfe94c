#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

constexpr Rect kLeftHalf{0, 23, 720, 877};

// A 1440 x 900 primary screen (23-point menu bar) and a 1920 x 1080 screen to
// its right; the focused window fills the primary's left half, its zoom button
// at (54, 26, 14, 16). Desktops 10, 20, 30 (reported in reverse), 10 current.
struct Desk {
    Desk() {
        desktop.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        desktop.addScreen({1440, 0, 1920, 1080});
        auto& w = desktop.addWindow(42, kLeftHalf);
        w.zoomButton = Rect{54, 26, 14, 16};
        window = w.id;
        desktop.focus(window);
        desktop.setSpaces({{30, 0}, {20, 0}, {10, 0}}, 10);
        desktop.settings().setBool("EnableShotcuts", true);
    }
    void act(int64_t code) {
        app.moveWindowToDirection(code, false);
        desktop.runLoop().advance(1s);
    }
    Rect frame() { return desktop.window(window).frame; }
    std::vector<EventType> postedTypes() {
        std::vector<EventType> types;
        for (const auto& p : desktop.postedEvents()) types.push_back(p.event.type);
        return types;
    }

    sim::SimDesktop desktop;
    uint64_t window = 0;
    AppDelegate app{desktop.platform()};
};

TEST(DisplaySpaceDispatch, DisplayActionsCarryTheWindowOnTheGrid) {
    Desk d;
    d.act(350);
    EXPECT_EQ(d.frame(), (Rect{1440, -180, 1280, 1080}));
    d.act(350);
    EXPECT_EQ(d.frame(), (Rect{0, 23, 960, 877}));
    d.act(360);
    EXPECT_EQ(d.frame(), (Rect{1440, -180, 1280, 1080}));
}

TEST(DisplaySpaceDispatch, SpaceActionsPressTheNeighbouringDesktopsDigit) {
    // (current Desktop, code, the digit key pressed with Control)
    const std::tuple<uint64_t, int64_t, uint16_t> rows[] = {
        {10, 370, 19},
        {10, 380, 20},
        {30, 370, 18},
        {20, 380, 18},
    };
    for (const auto& [current, code, key] : rows) {
        Desk d;
        d.desktop.setSpaces({{30, 0}, {20, 0}, {10, 0}}, current);
        d.act(code);
        const auto& posted = d.desktop.postedEvents();
        ASSERT_EQ(posted.size(), 6u) << code << " from " << current;
        EXPECT_EQ(posted[1].event, (SyntheticEvent{EventType::LeftMouseDown, {73, 28}, 0, 0}));
        EXPECT_EQ(posted[2].event, (SyntheticEvent{EventType::KeyDown, {}, key, modifier::kControl}))
            << code << " from " << current;
        EXPECT_EQ(posted[4].event.type, EventType::LeftMouseUp);
    }
}

TEST(DisplaySpaceDispatch, SpaceActionsPressedDuringAMoveGoInTurnAndThePointerComesBack) {
    struct Row {
        const char* name;
        std::vector<int64_t> presses;  // all at once, as key repeat sends them
        uint64_t space;                // where the window and the view end
    };
    const Row rows[] = {
        {"next three times wraps to the first", {370, 370, 370}, 10},
        {"next twice, then previous", {370, 370, 380}, 20},
        {"previous five times", {380, 380, 380, 380, 380}, 20},
    };
    const Point pointer{500, 600};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Desk d;
        d.desktop.setPointer(pointer);
        for (int64_t code : row.presses) d.app.moveWindowToDirection(code, false);
        d.desktop.runLoop().advance(10s);
        EXPECT_EQ(d.desktop.window(d.window).space, row.space);
        EXPECT_EQ(d.desktop.copySpaces(1), (std::vector<uint64_t>{row.space}));
        // One grab, digit and release for each press, and each time the pointer goes back where it was.
        const auto& posted = d.desktop.postedEvents();
        ASSERT_EQ(posted.size(), 6 * row.presses.size());
        for (size_t i = 5; i < posted.size(); i += 6)
            EXPECT_EQ(posted[i].event, (SyntheticEvent{EventType::MouseMoved, pointer, 0, 0})) << "move " << i / 6;
        EXPECT_EQ(d.desktop.currentPointerLocation(), pointer);
    }
}

TEST(DisplaySpaceDispatch, SplitViewLongPressesTheZoomButton) {
    Desk d;
    d.act(1000);
    EXPECT_EQ(d.postedTypes(), (std::vector<EventType>{EventType::LeftMouseDown, EventType::LeftMouseUp}));
    EXPECT_EQ(d.desktop.postedEvents()[1].event.location, (Point{61, 34}));
}

TEST(DisplaySpaceDispatch, EveryActionDoesNothingWithoutAFocusedWindow) {
    void (*const arrangements[])(sim::SimDesktop&, uint64_t) = {
        [](sim::SimDesktop& d, uint64_t) { d.clearFocus(); },
        [](sim::SimDesktop& d, uint64_t) { d.app(42).focusedWindow.reset(); },
        [](sim::SimDesktop& d, uint64_t) { d.app(42).focusedWindowIsText = true; },
        [](sim::SimDesktop& d, uint64_t) { d.app(42).failFocusedWindowRead = true; },
        [](sim::SimDesktop& d, uint64_t w) { d.closeWindow(w); },
    };
    for (int64_t code : {120, 350, 360, 370, 380, 1000}) {
        for (auto arrange : arrangements) {
            Desk d;
            arrange(d.desktop, d.window);
            d.act(code);
            EXPECT_TRUE(d.desktop.writes().empty()) << code;
            EXPECT_TRUE(d.postedTypes().empty()) << code;
        }
    }
}

}  // namespace
}  // namespace tilvane
