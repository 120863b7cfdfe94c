#include "placement/layout_manager.h"

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

constexpr Rect kPrimaryVisibleTopLeft{0, 23, 1440, 877};
constexpr Rect kSecondTopLeft{1440, -180, 1920, 1080};

// A 1440 x 900 primary with a menu bar and, optionally, a 1920 x 1080 display
// right of it with aligned bottom edges.
void arrange(sim::SimDesktop& d, bool twoScreens) {
    d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
    if (twoScreens) d.addScreen({1440, 0, 1920, 1080});
    d.settings().setBool("EnableShotcuts", true);
}

bool isPlacementCode(int64_t code) {
    return code >= 100 && code <= 340;
}

struct LayoutCase {
    bool twoScreens;
    Rect window;
    Rect reference;  // the rectangle the action divides, top-left coordinates
};

class EveryPlacementCode : public testing::TestWithParam<LayoutCase> {};

TEST_P(EveryPlacementCode, PlacesTheFocusedWindowThroughTheDispatch) {
    const auto& c = GetParam();
    for (const auto& info : kActions) {
        if (!isPlacementCode(info.code)) continue;
        sim::SimDesktop d;
        arrange(d, c.twoScreens);
        auto w = d.addWindow(7, c.window).id;
        d.focus(w);
        AppDelegate app(d.platform());
        app.moveWindowToDirection(info.code, false);
        Rect base = actsOnWindowFrame(info.code) ? c.window : c.reference;
        EXPECT_EQ(d.window(w).frame, targetFrameForAction(info.code, base)) << "code " << info.code;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, EveryPlacementCode,
                         testing::Values(LayoutCase{false, {100, 100, 800, 600}, kPrimaryVisibleTopLeft},
                                         LayoutCase{true, {100, 100, 800, 600}, kPrimaryVisibleTopLeft},
                                         LayoutCase{true, {1500, 100, 600, 400}, kSecondTopLeft},
                                         LayoutCase{true, {1500, -100, 600, 400}, kSecondTopLeft}));

TEST(LayoutManager, TopHalfThenMaximizeOnSecondPress) {
    sim::SimDesktop d;
    arrange(d, false);
    auto w = d.addWindow(7, {100, 100, 800, 600}).id;
    d.focus(w);
    WindowAccess access(d);
    LayoutManager lm(d.platform(), access);
    lm.moveWindowToDirection(170);
    EXPECT_EQ(d.window(w).frame, (Rect{0, 23, 1440, 438.5}));
    lm.moveWindowToDirection(170);
    EXPECT_EQ(d.window(w).frame, kPrimaryVisibleTopLeft);
}

// Regression: the main screen's frame was used in bottom-left coordinates as
// if it were top-left, which put the window on the wrong display whenever the
// main screen was not the primary one. A window on no screen at all goes to
// the main screen's visible frame.
TEST(LayoutManager, OffScreenWindowGoesToTheMainScreenEvenWhenItIsNotThePrimary) {
    const std::pair<size_t, Rect> rows[] = {{0, {0, 23, 720, 877}}, {1, {1440, -180, 960, 1080}}};
    for (const auto& [mainScreen, expected] : rows) {
        sim::SimDesktop d;
        arrange(d, true);
        d.setMainScreen(mainScreen);
        auto w = d.addWindow(7, {-600, 200, 500, 400}).id;
        d.focus(w);
        WindowAccess access(d);
        LayoutManager(d.platform(), access).moveWindowToDirection(120);
        EXPECT_EQ(d.window(w).frame, expected) << "main screen " << mainScreen;
    }
}

TEST(LayoutManager, DisplaysAboveBelowAndLeftOfThePrimary) {
    const struct {
        const char* name;
        Rect secondBottomLeft;
        Point corner;
        Rect expectedLeftHalf;
    } rows[] = {
        {"above", {0, 900, 1920, 1080}, {10, -1000}, {0, -1080, 960, 1080}},
        {"below", {0, -768, 1024, 768}, {10, 950}, {0, 900, 512, 768}},
        {"left", {-1280, 0, 1280, 1024}, {-1200, 0}, {-1280, -124, 640, 1024}},
    };
    for (const auto& row : rows) {
        sim::SimDesktop d;
        d.addScreen({0, 0, 1440, 900});
        d.addScreen(row.secondBottomLeft);
        auto w = d.addWindow(7, {row.corner.x, row.corner.y, 300, 200}).id;
        d.focus(w);
        WindowAccess access(d);
        LayoutManager(d.platform(), access).moveWindowToDirection(120);
        EXPECT_EQ(d.window(w).frame, row.expectedLeftHalf) << row.name;
    }
}

}  // namespace
}  // namespace tilvane
