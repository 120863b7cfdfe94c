#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "input_events.h"
#include "interaction/swipe_manager.h"
#include "placement/layout_manager.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace modifier;
using test::scroll;

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

// A 1440 x 900 primary with a 23-point menu bar; its visible frame is (0, 23, 1440, 877) top-left.
class Swipe : public testing::Test {
protected:
    void SetUp() override {
        d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        d.settings().setBool("EnableSwipeGestures", true);
        d.settings().setBool("SwipeControl", true);
        d.settings().setBool("SwipeOption", true);
        w = d.addWindow(7, kStart).id;
        d.focus(w);
    }
    // One whole gesture: began, one changed event per delta, ended.
    void gesture(uint64_t flags, std::initializer_list<Point> deltas) {
        d.deliverGlobal(scroll(ScrollPhase::Began, flags));
        for (auto delta : deltas) d.deliverGlobal(scroll(ScrollPhase::Changed, flags, delta.x, delta.y));
        d.deliverGlobal(scroll(ScrollPhase::Ended, flags));
    }

    static constexpr Rect kStart{100, 100, 800, 600};
    static constexpr Rect kLeftHalf{0, 23, 720, 877};
    sim::SimDesktop d;
    WindowAccess access{d};
    LayoutManager layout{d.platform(), access};
    uint64_t w = 0;
};

TEST_F(Swipe, ActsWithShortcutsOffAndThePreferencesWindowOpen) {
    d.settings().setBool("EnableShotcuts", false);
    AppDelegate app(d.platform());
    app._prefsWindowActive = true;
    SwipeManager swipe(d.platform(), app.layoutManager());

    // The dispatch refuses the action...
    app.moveWindowToDirection(120, false);
    ASSERT_EQ(d.window(w).frame, kStart);
    // ...but the swipe goes straight to the layout computation.
    gesture(kControl | kOption | kCapsLock, {{20, 0}, {10, 10}});
    EXPECT_EQ(d.window(w).frame, kLeftHalf);
    EXPECT_EQ(swipe.direction(), 120);
    EXPECT_FALSE(swipe.isHandlingEvent());
}

TEST_F(Swipe, IgnoresGesturesWithoutTheExactCombination) {
    SwipeManager swipe(d.platform(), layout);
    const struct {
        const char* name;
        uint64_t flags;
        bool switchedOn;
        bool anyModifier;
    } cases[] = {
        {"extra Shift", kControl | kOption | kShift, true, true},
        {"Option missing", kControl, true, true},
        {"gestures switched off", kControl | kOption, false, true},
        {"no swipe modifier chosen", 0, true, false},
    };
    for (const auto& c : cases) {
        d.settings().setBool("EnableSwipeGestures", c.switchedOn);
        d.settings().setBool("SwipeControl", c.anyModifier);
        d.settings().setBool("SwipeOption", c.anyModifier);
        gesture(c.flags, {{30, 0}});
        EXPECT_EQ(d.window(w).frame, kStart) << c.name;
        EXPECT_FALSE(swipe.isHandlingEvent()) << c.name;
    }
}

TEST_F(Swipe, AGestureBegunWithoutTheCombinationIsNeverTracked) {
    SwipeManager swipe(d.platform(), layout);
    gesture(kControl | kOption, {{0, 40}});  // maximize
    ASSERT_EQ(swipe.direction(), 190);
    d.window(w).frame = kStart;

    // Began without the combination, pressed during the gesture: nothing is
    // summed, and its end neither acts nor forgets the last direction.
    d.deliverGlobal(scroll(ScrollPhase::Began, 0));
    d.deliverGlobal(scroll(ScrollPhase::Changed, kControl | kOption, 30, 0));
    EXPECT_EQ(swipe.scrollDeltaX(), 0);
    d.deliverGlobal(scroll(ScrollPhase::Ended, kControl | kOption));
    EXPECT_EQ(d.window(w).frame, kStart);
    EXPECT_EQ(swipe.direction(), 190);
}

}  // namespace
}  // namespace tilvane
