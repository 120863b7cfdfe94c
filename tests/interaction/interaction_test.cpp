// Input from the pointer and the touchpad on the simulated desktop: the
// modifier drag, snapping at the screens' edges on a release of the left
// button, and swipes with modifiers held.

#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "interaction/modifier_combination.h"
#include "interaction/move_resize_manager.h"
#include "interaction/snap_manager.h"
#include "interaction/swipe_manager.h"
#include "placement/layout_manager.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_user_interface.h"

namespace tilvane {
namespace {

using namespace modifier;

InputEvent flagsChanged(uint64_t flags) {
    return {.type = EventType::FlagsChanged, .location = {}, .modifierFlags = flags};
}
// A pointer movement to the given top-left location, by (dx, dy) since the last one.
InputEvent mouseMoved(Point to, double dx, double dy) {
    return {.type = EventType::MouseMoved, .location = to, .deltaX = dx, .deltaY = dy};
}
InputEvent leftMouseUp(Point at) {
    return {.type = EventType::LeftMouseUp, .location = at};
}
InputEvent scroll(ScrollPhase phase, uint64_t flags, double dx = 0, double dy = 0) {
    return {.type = EventType::ScrollWheel,
            .location = {},
            .modifierFlags = flags,
            .deltaX = 0,
            .deltaY = 0,
            .scrollingDeltaX = dx,
            .scrollingDeltaY = dy,
            .phase = phase};
}

TEST(Quadrant, InsideAndCentreLines) {
    const Rect window{100, 100, 200, 100};  // centre (200, 150)
    const struct {
        Point p;
        int32_t quadrant;
    } cases[] = {
        {{100, 100}, 2},      // top-left corner is inside
        {{300, 120}, 0},      // on the right edge: outside
        {{150, 200}, 0},      // on the bottom edge: outside
        {{200, 120}, 2},      // on the vertical centre line: left
        {{250, 150}, 4},      // on the horizontal centre line: lower
        {{200, 150}, 3},      // on both centre lines
        {{200.1, 149.9}, 1},  // just right of and above the centre
    };
    for (const auto& c : cases) EXPECT_EQ(checkWindowUnderMouse(c.p, window), c.quadrant) << c.p;
}

TEST(ResizeTable, EachQuadrantDragsItsOwnCorner) {
    const Rect frame{100, 100, 400, 300};
    const struct {
        int32_t quadrant;
        bool fourCorners;
        Rect expected;
    } cases[] = {
        // Without four-corner resizing the bottom-right corner follows, whatever the quadrant.
        {2, false, {100, 100, 380, 290}}, {1, true, {100, 90, 380, 310}},  {2, true, {80, 90, 420, 310}},
        {3, true, {80, 100, 420, 290}},   {4, true, {100, 100, 380, 290}}, {0, true, frame},
    };
    for (const auto& c : cases)
        EXPECT_EQ(resizedFrame(frame, c.quadrant, -20, -10, c.fourCorners), c.expected)
            << "quadrant " << c.quadrant << " four corners " << c.fourCorners;
}

class MoveResize : public testing::Test {
protected:
    void SetUp() override {
        d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        d.setMenuBarHeight(23);
    }
    // Switches a mode on with exactly the given modifiers as its combination.
    void enable(const std::string& switchKey, const std::string& prefix, uint64_t flags) {
        d.settings().setBool(switchKey, true);
        const std::pair<uint64_t, const char*> modifiers[] = {
            {kFunction, "F"}, {kShift, "Shift"}, {kOption, "Option"}, {kControl, "Control"}, {kCommand, "Command"}};
        for (auto [bit, name] : modifiers) d.settings().setBool(prefix + name, (flags & bit) != 0);
    }
    void enableMove(uint64_t flags) { enable("WindowMovingEnabled", "WMove", flags); }
    void enableResize(uint64_t flags) { enable("WindowResizingEnabled", "WSize", flags); }
    // Presses the modifiers with the pointer at the top-left location.
    void press(uint64_t flags, Point at) {
        d.setPointer(at);
        d.deliverGlobal(flagsChanged(flags));
    }
    void move(Point to, double dx, double dy) { d.deliverGlobal(mouseMoved(to, dx, dy)); }

    sim::SimDesktop d;
};

TEST_F(MoveResize, ResizeWinsWhenBothCombinationsAreTheSame) {
    enableMove(kControl | kOption);
    enableResize(kControl | kOption);
    auto w = d.addWindow(7, {100, 100, 400, 300}).id;
    MoveResizeManager manager(d.platform());
    press(kControl | kOption, {150, 120});
    move({180, 140}, 30, 20);
    EXPECT_EQ(d.window(w).frame, (Rect{100, 100, 430, 320}));
}

TEST_F(MoveResize, GrabsTheFocusedWindowOfTheFrontMostOrdinaryWindowsOwner) {
    enableMove(kControl | kCommand);
    auto underPointer = d.addWindow(7, {100, 100, 400, 300}).id;
    auto focused = d.addWindow(7, {900, 100, 300, 300}).id;
    d.focus(focused);
    d.window(d.addWindow(8, {0, 0, 1440, 900}).id).layer = 3;  // in front of everything, but a panel
    MoveResizeManager manager(d.platform());

    // The application's focused window is the one that moves, placed by the
    // pointer's offset into the window under the pointer.
    press(kControl | kCommand, {150, 120});
    move({160, 120}, 10, 0);
    EXPECT_EQ(d.window(focused).frame.origin(), (Point{110, 100}));
    EXPECT_EQ(d.window(underPointer).frame.origin(), (Point{100, 100}));

    // Without a readable focused window, the application's first window is taken.
    d.app(7).failFocusedWindowRead = true;
    press(kControl, {450, 350});
    press(kControl | kCommand, {450, 350});
    move({460, 350}, 10, 0);
    EXPECT_EQ(d.window(underPointer).frame.origin(), (Point{110, 100}));
}

// Without the window's current frame there is nothing to resize from; zeros
// in its place would shrink the window to the size of one pointer step. With
// no window under the pointer, each movement says so.
TEST_F(MoveResize, NothingIsWrittenWithoutAWindowOrItsFrame) {
    enableResize(kControl | kCommand);
    d.window(d.addWindow(7, {100, 100, 400, 300}).id).failPositionRead = true;
    d.window(d.addWindow(8, {600, 100, 400, 300}).id).failSizeRead = true;
    MoveResizeManager manager(d.platform());
    for (Point at : {Point{150, 120}, Point{650, 120}, Point{800, 600}}) {
        press(kControl | kCommand, at);
        ASSERT_EQ(manager.mode(), MoveResizeManager::kResizeMode);
        move({at.x + 10, at.y + 10}, 10, 10);
        press(0, at);
    }
    EXPECT_TRUE(d.writes().empty());
    EXPECT_EQ(d.logLines(), (std::vector<std::string>{"windowRef == 0"}));
}

TEST_F(MoveResize, BringsTheGrabbedWindowToTheFrontWhenAsked) {
    enableMove(kControl | kCommand);
    d.settings().setBool("WMoveSizeEnabledBrigToFront", true);
    d.addWindow(7, {100, 100, 400, 300});
    d.focus(d.addWindow(8, {700, 100, 400, 300}).id);
    MoveResizeManager manager(d.platform());
    press(kControl | kCommand, {150, 120});
    EXPECT_EQ(d.activations(), std::vector<int32_t>{7});
    ASSERT_FALSE(d.writes().empty());
    EXPECT_EQ(d.writes().front().attribute, "AXMain");
}

// The pointer's y is flipped against the primary screen's height, the system the
// window bounds are in, even when the focused window is on a taller monitor.
TEST_F(MoveResize, FlipsThePointerAgainstThePrimaryScreenWithTwoMonitors) {
    d.addScreen({1440, 0, 1920, 1080});
    d.setMainScreen(1);
    enableMove(kControl);
    auto upper = d.addWindow(7, {100, 100, 400, 150}).id;
    auto lower = d.addWindow(8, {100, 300, 400, 200}).id;  // where a flip against 1080 would land
    MoveResizeManager manager(d.platform());
    EXPECT_EQ(manager.normalizeY(750), 150.0f);
    press(kControl, {200, 150});
    move({210, 150}, 10, 0);
    EXPECT_EQ(d.window(upper).frame.origin(), (Point{110, 100}));
    EXPECT_EQ(d.window(lower).frame.origin(), (Point{100, 300}));
}

constexpr double kMenuBar = 23;

// A 1440 x 900 primary under a menu bar, and the second screen of each
// arrangement; a panel 30 high across the top of the one to the right.
const Screen kPrimary{0, {0, 0, 1440, 900}, {0, 0, 1440, 877}};
const Screen kRight{0, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}};
const Screen kPaneledRight{0, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}, 30};
const Screen kLowPaneledRight{0, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}, 10};

TEST(SnapZones, EachScreenHasItsLeftEdgeRightEdgeAndTopStrip) {
    const struct {
        const char* name;
        const Screen* second;  // none: the primary alone
        Point pointer;
        int64_t code;  // 0: no zone
        bool snappingRight;
    } rows[] = {
        {"149 points left of it still counts", nullptr, {-149.5, 500}, 120, false},
        {"150 points left of it", nullptr, {-150, 500}, 0, false},
        {"half a point in truncates to the edge", nullptr, {0.5, 500}, 120, false},
        {"one point in", nullptr, {1, 500}, 0, false},
        {"W - 150", nullptr, {1290, 500}, 0, false},
        {"beyond the right edge", nullptr, {1441, 500}, 0, false},
        {"in the menu bar at the right edge", nullptr, {1435, 10}, 170, true},
        {"the top strip ends at 23 + 150", nullptr, {700, 172.5}, 170, false},
        {"below the top strip", nullptr, {700, 173}, 0, false},
        {"above the screen", nullptr, {700, -20}, 170, false},
        {"the primary's right edge", &kRight, {1439.5, 500}, 150, true},
        {"the second's left edge", &kRight, {1440, 500}, 120, false},
        {"the second's right edge", &kRight, {3350, 500}, 150, true},
        {"80 points under the second's top", &kRight, {2000, -100}, 170, false},
        {"280 points under it", &kRight, {2000, 100}, 0, false},
        // A panel taller than the menu bar lowers its own screen's strip, no other.
        {"179 points under a panel's screen top", &kPaneledRight, {2000, -1}, 170, false},
        {"180 points under it", &kPaneledRight, {2000, 0}, 0, false},
        {"the primary keeps the menu bar's strip", &kPaneledRight, {700, 173}, 0, false},
        {"a panel lower than the menu bar changes nothing", &kLowPaneledRight, {2000, -7}, 0, false},
    };
    for (const auto& row : rows) {
        std::vector<Screen> screens{kPrimary};
        if (row.second) screens.push_back(*row.second);
        SnapZone zone = snapZoneForPointer(row.pointer, screens, kMenuBar);
        EXPECT_EQ(zone.matched, row.code != 0) << row.name;
        EXPECT_EQ(zone.code, row.code) << row.name;
        EXPECT_EQ(zone.snappingRight, row.snappingRight) << row.name;
    }
}

// A 1440 x 900 primary with a menu bar and a 1920 x 1080 display right of it.
class Snap : public testing::Test {
protected:
    void SetUp() override {
        d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        d.addScreen({1440, 0, 1920, 1080});
        d.setMenuBarHeight(kMenuBar);
        w = d.addWindow(7, kStart).id;
        d.focus(w);
    }
    static constexpr Rect kStart{100, 100, 800, 600};
    static constexpr Rect kRightHalf{720, 23, 720, 877};
    sim::SimDesktop d;
    WindowAccess access{d};
    LayoutManager layout{d.platform(), access};
    uint64_t w = 0;
};

// Nothing listens before snapping is first turned on; on at start-up, it
// starts at once. (Switching it off and on while the program runs, which once
// could not be switched off, is in the end-to-end snap rows.)
TEST_F(Snap, NothingListensUntilSnappingIsOnAndOnAtStartUpItSnapsAtOnce) {
    EXPECT_EQ(SnapToEdgeSwitch(d.platform(), layout).snapMan(), nullptr);
    d.settings().setBool("SnapToEdgeEnabled", true);
    SnapToEdgeSwitch snapSwitch(d.platform(), layout);
    ASSERT_NE(snapSwitch.snapMan(), nullptr);
    d.deliverToTaps(leftMouseUp({1435, 500}));
    EXPECT_EQ(d.window(w).frame, kRightHalf);
    EXPECT_EQ(d.logLines().front(), " Window snapping to right!");
}

TEST_F(Snap, NoFocusedWindowOrAnEmptyProbeDoesNothing) {
    d.settings().setBool("SnapToEdgeEnabled", true);
    SnapManager snap(d.platform(), layout);
    ASSERT_TRUE(snap.tapInstalled());
    d.clearFocus();
    d.deliverToTaps(leftMouseUp({0, 500}));
    EXPECT_TRUE(d.logLines().empty());
    // The probe ends on the back-most ordinary window, whose owner's windows
    // cannot be read; a readable one in front of it does not count.
    d.focus(w);
    d.addWindow(9, {0, 0, 10, 10});
    d.app(7).failWindowsRead = true;
    d.deliverToTaps(leftMouseUp({0, 500}));
    EXPECT_EQ(d.logLines(), (std::vector<std::string>{"(null)", "1"}));
    EXPECT_TRUE(d.writes().empty());
}

TEST(GestureJudging, SummedDeltasGiveOneAction) {
    const struct {
        double dx, dy;
        std::optional<int64_t> code;
    } cases[] = {
        {30, 10, 120},             // mostly right: left half
        {-30, 10, 150},            // mostly left: right half
        {5, 40, 190},              // mostly down: maximize
        {5, -40, 200},             // mostly up: centre
        {20, 20, 120},             // a tie is horizontal
        {1.0, 1.0000000001, 120},  // vertical in double precision, a tie in single
        {0, 0, std::nullopt},      // no movement
        {1e-50, 0, std::nullopt},  // nothing left in single precision
    };
    for (const auto& c : cases) EXPECT_EQ(judgeSwipe(c.dx, c.dy), c.code) << c.dx << ", " << c.dy;
}

// A 1440 x 900 primary under a 23-point menu bar; swipes with Control+Option.
// The swipe goes straight to the layout computation: shortcuts switched off
// and the preferences window in front stop the dispatch, not the swipe.
TEST(Swipe, OnlyAGestureWithTheExactCombinationFromItsBeginningActs) {
    constexpr Rect kStart{100, 100, 800, 600};
    sim::SimDesktop d;
    d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
    const uint64_t w = d.addWindow(7, kStart).id;
    d.focus(w);
    d.settings().setBool("EnableShotcuts", false);
    sim::SimUserInterface ui;
    Platform platform = d.platform();
    platform.userInterface = &ui;
    AppDelegate app(platform);
    app.showPreferecensPane();
    SwipeManager swipe(d.platform(), app.layoutManager());

    // Control+Option, the swipe combination; Caps Lock and the numeric-pad bit change nothing.
    constexpr uint64_t kCO = kControl | kOption, kCOLocks = kCO | kCapsLock | kNumericPad;
    const struct {
        const char* name;
        bool switchedOn, anyModifier;
        uint64_t began, held;       // the flags when the gesture begins, and after
        std::vector<Point> deltas;  // summed over the gesture
        Rect expected;
        int64_t direction;  // the last one judged
    } rows[] = {
        {"the deltas summed, locks on", true, true, kCOLocks, kCOLocks, {{0, 40}, {30, -35}}, {0, 23, 720, 877}, 120},
        {"extra Shift", true, true, kCO | kShift, kCO | kShift, {{30, 0}}, kStart, 120},
        {"Option missing", true, true, kControl, kControl, {{30, 0}}, kStart, 120},
        {"gestures switched off", false, true, kCO, kCO, {{30, 0}}, kStart, 120},
        {"no swipe modifier chosen", true, false, 0, 0, {{30, 0}}, kStart, 120},
        {"maximize", true, true, kCO, kCO, {{0, 40}}, {0, 23, 1440, 877}, 190},
        {"the combination pressed after the beginning", true, true, 0, kCO, {{30, 0}}, kStart, 190},
    };
    for (const auto& row : rows) {
        d.settings().setBool("EnableSwipeGestures", row.switchedOn);
        d.settings().setBool("SwipeControl", row.anyModifier);
        d.settings().setBool("SwipeOption", row.anyModifier);
        d.window(w).frame = kStart;
        d.deliverGlobal(scroll(ScrollPhase::Began, row.began));
        for (Point delta : row.deltas) d.deliverGlobal(scroll(ScrollPhase::Changed, row.held, delta.x, delta.y));
        if (row.began != row.held) {
            EXPECT_EQ(swipe.scrollDeltaX(), 0) << "nothing summed";
        }
        d.deliverGlobal(scroll(ScrollPhase::Ended, row.held));
        EXPECT_EQ(d.window(w).frame, row.expected) << row.name;
        EXPECT_EQ(swipe.direction(), row.direction) << row.name;
        EXPECT_FALSE(swipe.isHandlingEvent()) << row.name;
    }
    app.moveWindowToDirection(120, false);
    EXPECT_EQ(d.window(w).frame, kStart) << "the dispatch refuses";
}

}  // namespace
}  // namespace tilvane
