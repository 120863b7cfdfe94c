#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

// One 1440 x 900 screen with a 23-point menu bar; one focused window.
class DispatchTest : public testing::Test {
protected:
    DispatchTest() {
        desktop.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        window = desktop.addWindow(42, {100, 100, 800, 600}).id;
        desktop.focus(window);
        desktop.settings().setBool("EnableShotcuts", true);
    }
    Rect frame() { return desktop.window(window).frame; }

    sim::SimDesktop desktop;
    uint64_t window = 0;
    AppDelegate app{desktop.platform()};
};

TEST_F(DispatchTest, HotKeysNeedTheSwitchMenuItemsDoNot) {
    app.moveWindowToDirection(150, false);
    EXPECT_EQ(frame(), (Rect{720, 23, 720, 877}));
    desktop.settings().removeObject("EnableShotcuts");  // absent counts as off
    app.moveWindowToDirection(120, false);
    desktop.settings().setBool("EnableShotcuts", false);
    app.moveWindowToDirection(120, false);
    EXPECT_EQ(desktop.writes().size(), 2u);
    app.moveWindowToDirectionFromMenu(120);
    EXPECT_EQ(frame(), (Rect{0, 23, 720, 877}));
}

TEST_F(DispatchTest, PreferencesWindowBlocksBothPathsBeforeThePermissionPrompt) {
    desktop.setTrusted(false);
    app._prefsWindowActive = true;
    app.moveWindowToDirection(120, false);
    app.moveWindowToDirectionFromMenu(120);
    EXPECT_TRUE(desktop.writes().empty());
    EXPECT_EQ(desktop.trustPrompts(), 0);
    EXPECT_TRUE(desktop.scripts().empty());
}

TEST_F(DispatchTest, MissingPermissionPromptsOpensTheSecurityPaneAndMovesNothing) {
    desktop.setTrusted(false);
    app.moveWindowToDirection(120, false);
    EXPECT_TRUE(desktop.writes().empty());
    EXPECT_EQ(desktop.trustPrompts(), 1);
    EXPECT_EQ(desktop.scripts().size(), 1u);

    desktop.setTrusted(true);
    app.moveWindowToDirection(120, false);
    EXPECT_EQ(frame(), (Rect{0, 23, 720, 877}));
    EXPECT_EQ(desktop.scripts().size(), 1u);
}

TEST_F(DispatchTest, TheTwoCenterThirdsActDifferently) {
    app.moveWindowToDirectionFromMenu(240);
    EXPECT_EQ(frame(), (Rect{480, 23, 480, 877}));
    app.moveWindowToDirectionFromMenu(270);
    EXPECT_EQ(frame().x, 0);
    EXPECT_NEAR(frame().y, 23 + 877.0 / 3, 1e-9);
    EXPECT_EQ(frame().width, 1440);
}

TEST_F(DispatchTest, WritesPositionFirstThenSize) {
    app.moveWindowToDirection(150, false);
    ASSERT_EQ(desktop.writes().size(), 2u);
    EXPECT_EQ(desktop.writes()[0].attribute, "AXPosition");
    EXPECT_EQ(*desktop.writes()[0].value.point(), (Point{720, 23}));
    EXPECT_EQ(desktop.writes()[1].attribute, "AXSize");
    EXPECT_EQ(*desktop.writes()[1].value.size(), (Size{720, 877}));
}

TEST(DispatchUnreadableFrame, FallsBackToZeroOrTheVisibleFrameTheWindowLiesIn) {
    // (0, 0) lies in the menu bar, outside every visible frame; 120 uses the
    // visible frame the window mostly lies in, clear of the menu bar.
    const std::tuple<bool, bool, int64_t, Rect> rows[] = {
        {true, true, 290, {0, 0, 20, 20}},
        {true, false, 120, {0, 23, 720, 877}},
    };
    for (const auto& [failPosition, failSize, code, expected] : rows) {
        sim::SimDesktop d;
        d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        auto& w = d.addWindow(42, {100, 100, 800, 600});
        w.failPositionRead = failPosition;
        w.failSizeRead = failSize;
        d.focus(w.id);
        d.settings().setBool("EnableShotcuts", true);
        AppDelegate a(d.platform());
        a.moveWindowToDirection(code, false);
        EXPECT_EQ(d.window(w.id).frame, expected) << code;
    }
}

TEST_F(DispatchTest, ApplicationLimitsAreLeftToTheApplication) {
    desktop.window(window).minSize = Size{800, 500};
    app.moveWindowToDirection(120, false);
    EXPECT_EQ(frame(), (Rect{0, 23, 800, 877}));
    EXPECT_EQ(desktop.writes().size(), 2u);
}

TEST_F(DispatchTest, RefusedWritesLeaveTheWindowWhereItIs) {
    desktop.window(window).refusePosition = true;
    desktop.window(window).refuseSize = true;
    app.moveWindowToDirection(120, false);
    EXPECT_EQ(frame(), (Rect{100, 100, 800, 600}));
    EXPECT_EQ(desktop.writes().size(), 2u);
}

}  // namespace
}  // namespace tilvane
