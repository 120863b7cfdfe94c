// The modifier drag on the simulated desktop: which modifiers start it, which
// window it takes, and where the pointer moves and resizes it.

#include <gtest/gtest.h>

#include "input_events.h"
#include "interaction/modifier_combination.h"
#include "interaction/move_resize_manager.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace modifier;
using test::flagsChanged;
using test::mouseMoved;

TEST(CombinationRule, MatchesOnlyTheExactCombination) {
    constexpr ModifierCombination kNone{false, false, false, false, false};
    constexpr ModifierCombination kControlCommand{false, false, false, true, true};
    const struct {
        const char* name;
        ModifierCombination combination;
        uint64_t flags;
        bool matches;
    } cases[] = {
        {"held exactly", kControlCommand, kControl | kCommand, true},
        {"Caps Lock and the numeric-pad bit as well", kControlCommand, kControl | kCommand | kCapsLock | kNumericPad,
         true},
        {"one of two held", kControlCommand, kControl, false},
        {"extra Shift", kControlCommand, kControl | kCommand | kShift, false},
        {"Fn alone", {true, false, false, false, false}, kFunction, true},
        {"all five off, Caps Lock only", kNone, kCapsLock, true},
        {"all five off, Shift held", kNone, kShift, false},
    };
    for (const auto& c : cases) EXPECT_EQ(combinationMatches(c.combination, c.flags), c.matches) << c.name;
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

TEST_F(MoveResize, TheExactCombinationMovesTheWindowUntilItIsLetGo) {
    enableMove(kControl | kCommand);
    auto w = d.addWindow(7, {100, 100, 400, 300}).id;
    MoveResizeManager manager(d.platform());
    press(kControl, {150, 120});
    move({160, 125}, 10, 5);
    EXPECT_EQ(manager.mode(), MoveResizeManager::kIdleMode);
    press(kControl | kCommand, {150, 120});
    move({160, 125}, 10, 5);
    EXPECT_EQ(d.window(w).frame, (Rect{110, 105, 400, 300}));
    press(kControl, {160, 125});
    EXPECT_EQ(manager.mode(), MoveResizeManager::kIdleMode);
    move({200, 200}, 40, 75);
    EXPECT_EQ(d.window(w).frame, (Rect{110, 105, 400, 300}));
}

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
    std::vector<std::string> attributes;
    for (const auto& write : d.writes()) attributes.push_back(write.attribute);
    EXPECT_EQ(attributes, (std::vector<std::string>{"AXMain", "AXFocusedApplication", "AXFocused", "AXFocusedWindow",
                                                    "AXFrontmost"}));
    EXPECT_EQ(d.activations(), std::vector<int32_t>{7});
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

}  // namespace
}  // namespace tilvane
