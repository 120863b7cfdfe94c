// The screen list of the X11 backend on a real server: RandR monitors, the
// primary first, frames in bottom-left coordinates, visible frames without
// the docks, and changes followed as they happen.

#include "x11/backend_test.h"

namespace tilvane::e2e {
namespace {

using ScreensTest = BackendTest;

TEST_F(ScreensTest, PrimaryFirstWithVisibleFramesWithoutTheDocks) {
    auto screens = backend().screens().screens();
    ASSERT_EQ(screens.size(), 2u);
    // The primary's full height (1080) is the reference for bottom-left coordinates.
    EXPECT_EQ(screens[0].frame, (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(screens[0].visibleFrame, (Rect{0, 40, 1920, 1040}));
    EXPECT_EQ(screens[1].frame, (Rect{-1440, 0, 1440, 900}));
    EXPECT_EQ(screens[1].visibleFrame, (Rect{-1440, 0, 1440, 870}));
    EXPECT_EQ(backend().screens().primaryOrigin(), (Point{1440, 0}));
}

TEST_F(ScreensTest, MainScreenHoldsTheFocusedWindow) {
    auto window = desktop().openWindow("main screen");
    x().placeFrame(window.id, {100, 400, 500, 300});
    auto main = backend().screens().mainScreen();
    ASSERT_TRUE(main);
    EXPECT_EQ(main->frame, (Rect{-1440, 0, 1440, 900}));

    x().placeFrame(window.id, {2000, 400, 500, 300});
    catchUp();
    main = backend().screens().mainScreen();
    ASSERT_TRUE(main);
    EXPECT_EQ(main->frame, (Rect{0, 0, 1920, 1080}));
}

TEST_F(ScreensTest, FollowsDocksThatComeAndGo) {
    auto dock = desktop().startDock({1440, 0, 1920, 25}, "top");
    ASSERT_TRUE(x().waitUntil([&] { return x().clientList().size() == 3; }));
    catchUp();
    EXPECT_EQ(backend().screens().screens()[0].visibleFrame, (Rect{0, 40, 1920, 1015}));

    dock.reset();
    ASSERT_TRUE(x().waitUntil([&] { return x().clientList().size() == 2; }));
    catchUp();
    EXPECT_EQ(backend().screens().screens()[0].visibleFrame, (Rect{0, 40, 1920, 1040}));
}

TEST_F(ScreensTest, FollowsMonitorsChangedWhileRunning) {
    ASSERT_EQ(backend().screens().screens().size(), 2u);
    // The smaller monitor becomes the primary, a third joins on the right.
    ASSERT_TRUE(
        desktop().setMonitors({{"C", {0, 180, 1440, 900}}, {"D", {1440, 0, 1000, 1080}}, {"E", {2440, 0, 920, 700}}}));
    catchUp();
    auto screens = backend().screens().screens();
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(screens[0].frame, (Rect{0, 0, 1440, 900}));
    EXPECT_EQ(screens[0].visibleFrame, (Rect{0, 0, 1440, 870}));
    EXPECT_EQ(screens[1].frame, (Rect{1440, 0, 1000, 1080}));
    // The dock's strut spans both monitors on the right but reaches up only into the taller one.
    EXPECT_EQ(screens[1].visibleFrame, (Rect{1440, 40, 1000, 1040}));
    EXPECT_EQ(screens[2].frame, (Rect{2440, 380, 920, 700}));
    EXPECT_EQ(screens[2].visibleFrame, (Rect{2440, 380, 920, 700}));
}

}  // namespace
}  // namespace tilvane::e2e
