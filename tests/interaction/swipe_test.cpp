// Swipes with modifiers held: how a gesture is judged, and which gestures act
// on the simulated desktop.

#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "input_events.h"
#include "interaction/swipe_manager.h"
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
    AppDelegate app(d.platform());
    app._prefsWindowActive = true;
    SwipeManager swipe(d.platform(), app.layoutManager());

    const struct {
        const char* name;
        bool switchedOn, anyModifier;
        uint64_t began, held;       // the flags when the gesture begins, and after
        std::vector<Point> deltas;  // summed over the gesture
        Rect expected;
        int64_t direction;  // the last one judged
    } rows[] = {
        {"Caps Lock held as well",
         true,
         true,
         kControl | kOption | kCapsLock,
         kControl | kOption | kCapsLock,
         {{0, 40}, {30, -35}},
         {0, 23, 720, 877},
         120},
        {"extra Shift", true, true, kControl | kOption | kShift, kControl | kOption | kShift, {{30, 0}}, kStart, 120},
        {"Option missing", true, true, kControl, kControl, {{30, 0}}, kStart, 120},
        {"gestures switched off", false, true, kControl | kOption, kControl | kOption, {{30, 0}}, kStart, 120},
        {"no swipe modifier chosen", true, false, 0, 0, {{30, 0}}, kStart, 120},
        {"maximize", true, true, kControl | kOption, kControl | kOption, {{0, 40}}, {0, 23, 1440, 877}, 190},
        {"the combination pressed after the beginning", true, true, 0, kControl | kOption, {{30, 0}}, kStart, 190},
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
