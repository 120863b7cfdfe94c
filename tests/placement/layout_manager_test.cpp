// Placement on the simulated desktop: the screen a window is placed on,
// its display grid, and how its frame is written and read.

#include "placement/layout_manager.h"

#include <gtest/gtest.h>

#include "placement/window_model.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

// The left half lands on the screen that holds the window's corner. Regression:
// a window on no screen went to the main screen's frame taken as top-left
// coordinates, on the wrong display whenever the main screen was not the primary.
TEST(LayoutManager, TheLeftHalfOnTheScreenOfTheWindow) {
    const struct {
        const char* name;
        Rect secondBottomLeft;
        size_t mainScreen;
        Rect window, expected;
    } rows[] = {
        {"off-screen, the primary main", {1440, 0, 1920, 1080}, 0, {-600, 200, 500, 400}, {0, 23, 720, 877}},
        {"off-screen, the second main", {1440, 0, 1920, 1080}, 1, {-600, 200, 500, 400}, {1440, -180, 960, 1080}},
        {"a display above", {0, 900, 1920, 1080}, 0, {10, -1000, 300, 200}, {0, -1080, 960, 1080}},
        {"a display below", {0, -768, 1024, 768}, 0, {10, 950, 300, 200}, {0, 900, 512, 768}},
        {"a display left", {-1280, 0, 1280, 1024}, 0, {-1200, 0, 300, 200}, {-1280, -124, 640, 1024}},
    };
    for (const auto& row : rows) {
        sim::SimDesktop d;
        d.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        d.addScreen(row.secondBottomLeft);
        d.setMainScreen(row.mainScreen);
        auto w = d.addWindow(7, row.window).id;
        d.focus(w);
        WindowAccess access(d);
        LayoutManager(d.platform(), access).moveWindowToDirection(120);
        EXPECT_EQ(d.window(w).frame, row.expected) << row.name;
    }
}

// A 1440 x 900 primary under a menu bar and a 1920 x 1080 screen to its right.
class WindowModelTest : public testing::Test {
protected:
    WindowModelTest() {
        desktop.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        desktop.addScreen({1440, 0, 1920, 1080});
    }
    WindowModel focused(Rect frame) {
        window = desktop.addWindow(7, frame).id;
        desktop.focus(window);
        return *WindowModel::focusedWindow(desktop.platform(), access);
    }

    sim::SimDesktop desktop;
    WindowAccess access{desktop};
    uint64_t window = 0;
};

// The grid cells kept and the wrap at either end the serving tests press for.
TEST_F(WindowModelTest, OnNoScreenTheNextDisplayLeavesTheWindowWhereItIs) {
    focused({5000, 5000, 100, 100}).moveToNextScreen();
    EXPECT_EQ(desktop.window(window).frame, (Rect{5000, 5000, 100, 100}));
}

TEST_F(WindowModelTest, SetFrameWritesSizePositionSizeEvenAfterARefusal) {
    auto model = focused({10, 30, 100, 100});
    desktop.window(window).refusePosition = true;
    model.setFrame({50, 60, 300, 200});
    const auto& w = desktop.writes();
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0].attribute + w[1].attribute + w[2].attribute, "AXSizeAXPositionAXSize");
    EXPECT_EQ(*w[1].value.point(), (Point{50, 60}));
    EXPECT_EQ(*w[2].value.size(), (Size{300, 200}));
}

TEST(WindowModel, FailedReadsGiveZerosAndTheirLogLines) {
    const std::tuple<void (*)(sim::SimWindow&), Rect, std::vector<std::string>> rows[] = {
        {[](sim::SimWindow& w) { w.failPositionRead = true; }, {0, 0, 100, 200}, {"could not get window topLeft"}},
        {[](sim::SimWindow& w) { w.positionNotPoint = true; }, {0, 0, 100, 200}, {"could not decode topLeft"}},
        {[](sim::SimWindow& w) { w.failSizeRead = true; }, {10, 30, 0, 0}, {"could not get window size"}},
        {[](sim::SimWindow& w) { w.sizeNotSize = true; }, {10, 30, 0, 0}, {}},
    };
    for (const auto& [arrange, frame, log] : rows) {
        sim::SimDesktop d;
        auto& w = d.addWindow(7, {10, 30, 100, 200});
        d.focus(w.id);
        arrange(w);
        WindowAccess access(d);
        EXPECT_EQ(WindowModel::focusedWindow(d.platform(), access)->frame(), frame);
        EXPECT_EQ(d.logLines(), log);
    }
}

}  // namespace
}  // namespace tilvane
