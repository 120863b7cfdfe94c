// The display, Space and Split View actions through the serving program's hot
// keys: a window keeps its place on the grid from monitor to monitor, goes to
// the neighbouring desktop (wrapping at the ends) and back, and Split View,
// which needs a zoom button X11 windows lack, changes nothing.

#include "program/held_input.h"
#include "program/program_test.h"

namespace tilvane::e2e {
namespace {

using namespace key;

constexpr uint16_t kN = 0x2D, kP = 0x23, kF = 0x03;
const std::vector<uint16_t> kNextDisplay{kControl, kOption, kN}, kPreviousDisplay{kControl, kOption, kP};
const std::vector<uint16_t> kNextSpace{kControl, kCommand, kN}, kPreviousSpace{kControl, kCommand, kP};
const std::vector<uint16_t> kSplitView{kControl, kOption, kCommand, kF};

class DisplaySpaceTest : public ProgramTest {
protected:
    std::optional<uint32_t> desktopOf(xcb_window_t window) {
        auto words = x().words(window, "_NET_WM_DESKTOP");
        if (words.empty()) return std::nullopt;
        return words.front();
    }
    std::optional<uint32_t> current() {
        auto words = x().words(x().root(), "_NET_CURRENT_DESKTOP");
        if (words.empty()) return std::nullopt;
        return words.front();
    }
    bool buttonHeld() {
        x11::XPtr<xcb_query_pointer_reply_t> p(
            xcb_query_pointer_reply(x().c(), xcb_query_pointer(x().c(), x().root()), nullptr));
        return p && (p->mask & XCB_BUTTON_MASK_1);
    }
    // Waits until the window and the view are both on the desktop and the
    // move is over: it lets go of the window half a second after the switch.
    bool reachesDesktop(xcb_window_t window, uint32_t desktop) {
        return x().waitUntil([&] { return desktopOf(window) == desktop && current() == desktop && !buttonHeld(); },
                             10s);
    }
};

struct DisplayRow {
    const char* name;
    Rect start;  // root coordinates
    std::vector<uint16_t> chord;
    Rect expected;
};

// Primary: 1920 × 1040 visible at (1440, 0), cells of 640 × 520. Secondary:
// 1440 × 870 visible at (0, 210), cells of 480 × 435. With two monitors the
// next and the previous display are the same one.
const DisplayRow kDisplayRows[] = {
    {"top-left cell, next", {1440, 0, 640, 520}, kNextDisplay, {0, 210, 480, 435}},
    {"top-left cell, back", {0, 210, 480, 435}, kPreviousDisplay, {1440, 0, 640, 520}},
    {"bottom right two cells, previous", {2080, 520, 1280, 520}, kPreviousDisplay, {480, 645, 960, 435}},
    {"middle column, next", {480, 210, 480, 870}, kNextDisplay, {2080, 0, 640, 1040}},
};

TEST_F(DisplaySpaceTest, NextAndPreviousDisplayKeepTheWindowsCellsOnTheGrid) {
    auto window = desktop().openWindow("display");
    startTilvane();
    for (const auto& row : kDisplayRows) {
        SCOPED_TRACE(row.name);
        x().placeFrame(window.id, row.start);
        pressAndSettle(row.chord);
        EXPECT_EQ(frame(window.id), row.expected);
    }
}

TEST_F(DisplaySpaceTest, NextAndPreviousSpaceCarryTheWindowAndWrapAtTheEnds) {
    auto window = desktop().openWindow("space");
    const Rect start{1700, 300, 500, 400};
    x().placeFrame(window.id, start);
    startTilvane();
    ASSERT_EQ(current(), 0u);
    struct Step {
        const char* name;
        std::vector<uint16_t> chord;
        uint32_t desktop;  // 0 for the first of the four
    };
    const Step steps[] = {
        {"previous from the first wraps to the last", kPreviousSpace, 3},
        {"next from the last wraps to the first", kNextSpace, 0},
        {"next", kNextSpace, 1},
        {"previous", kPreviousSpace, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        pressAndSettle(step.chord);
        ASSERT_TRUE(reachesDesktop(window.id, step.desktop))
            << "window on " << desktopOf(window.id).value_or(99) << ", view on " << current().value_or(99);
        // Carried, not dragged: the window is where it was, and still active.
        x().syncWindowManager();
        EXPECT_EQ(frame(window.id), start);
        EXPECT_EQ(x().activeWindow(), window.id);
    }
}

TEST_F(DisplaySpaceTest, ASpaceMoveWaitsForTheShortcutsModifiersToBeLetGo) {
    // The hot key acts while the user still holds Control and Command; the
    // desktop's Control+2 must not reach the window manager as Control+Command+2.
    auto window = desktop().openWindow("held");
    startTilvane();
    HeldInput input(x());
    input.pressKeys({kControl, kCommand});
    input.pressKeys({kN});
    input.releaseKeys({kN});
    settle();
    input.releaseKeys({kCommand, kControl});
    EXPECT_TRUE(reachesDesktop(window.id, 1))
        << "window on " << desktopOf(window.id).value_or(99) << ", view on " << current().value_or(99);
}

TEST_F(DisplaySpaceTest, FiveQuickPressesCarryTheWindowFiveDesktopsOnAndThePointerComesBack) {
    // Key repeat: the presses come while the first move is still under way.
    auto window = desktop().openWindow("repeat");
    x().placeFrame(window.id, {1700, 300, 500, 400});
    startTilvane();
    HeldInput input(x());
    input.moveTo(2500, 900);
    // The desktops the window goes to, in order, as the window manager sets them.
    std::vector<uint32_t> visited;
    xcb_atom_t desktopAtom = x().atom("_NET_WM_DESKTOP");
    uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x().c(), window.id, XCB_CW_EVENT_MASK, &mask);
    x().conn().onEvent(XCB_PROPERTY_NOTIFY, [&](const xcb_generic_event_t& e) {
        const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
        if (p.window != window.id || p.atom != desktopAtom) return;
        if (auto d = desktopOf(window.id); d && (visited.empty() || visited.back() != *d)) visited.push_back(*d);
    });

    input.pressKeys({kControl, kCommand});
    for (int i = 0; i < 5; ++i) {
        input.pressKeys({kN});
        input.releaseKeys({kN});
    }
    input.releaseKeys({kCommand, kControl});
    bool done = x().waitUntil(
        [&] {
            x11::XPtr<xcb_query_pointer_reply_t> p(
                xcb_query_pointer_reply(x().c(), xcb_query_pointer(x().c(), x().root()), nullptr));
            return visited.size() >= 5 && p && p->root_x == 2500 && p->root_y == 900 && !(p->mask & XCB_BUTTON_MASK_1);
        },
        30s);
    EXPECT_TRUE(done) << "desktops visited: " << visited.size();
    EXPECT_EQ(visited, (std::vector<uint32_t>{1, 2, 3, 0, 1}));
    EXPECT_TRUE(reachesDesktop(window.id, 1));
    x().syncWindowManager();
    EXPECT_EQ(frame(window.id), (Rect{1700, 300, 500, 400}));
}

TEST_F(DisplaySpaceTest, SplitViewChangesNothing) {
    auto window = desktop().openWindow("split");
    const Rect start{1700, 300, 500, 400};
    x().placeFrame(window.id, start);
    startTilvane();
    pressAndSettle(kSplitView);
    EXPECT_EQ(frame(window.id), start);
    EXPECT_EQ(x().activeWindow(), window.id);
    EXPECT_EQ(current(), 0u);
    EXPECT_EQ(desktopOf(window.id), 0u);
}

}  // namespace
}  // namespace tilvane::e2e
