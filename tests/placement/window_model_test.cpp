#include "placement/window_model.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

// Visible frames (top-left) of a 1440 x 900 primary under a 23-point menu bar
// and of a 1920 x 1080 screen to its right, bottoms aligned.
constexpr Rect kPrimary{0, 23, 1440, 877};
constexpr Rect kSecond{1440, -180, 1920, 1080};

TEST(GridProps, CellsOfAWindow) {
    const std::pair<Rect, Rect> rows[] = {
        {{0, 23, 720, 877}, {0, 0, 2, 2}},             // left half: 1.5 columns count as 2
        {{720, 23, 720, 877}, {2, 0, 2, 2}},           // right half starts at column 1.5
        {{0, 23, 100, 100}, {0, 0, 1, 1}},             // at least one column and row
        {{0, 23 + 219.25, 480, 438.5}, {0, 1, 1, 1}},  // half a row rounds up
        {{-240, 23, 480, 438.5}, {-1, 0, 1, 1}},       // -0.5 rounds away from zero
        {{1440, 23, 2880, 1754}, {3, 0, 6, 4}},        // no upper limits
    };
    for (const auto& [window, props] : rows) EXPECT_EQ(gridPropsForFrame(window, kPrimary), props) << window;
}

TEST(GridProps, PlacementIsIntegralAndUnclamped) {
    const std::tuple<Rect, Rect, Rect> rows[] = {
        {{0, 0, 2, 2}, kSecond, {1440, -180, 1280, 1080}},
        {{2, 0, 2, 2}, kSecond, {2720, -180, 1280, 1080}},  // a cell beyond the right edge
        {{0, 1, 1, 1}, kPrimary, {0, 461, 480, 439}},       // 461.5..900 widens to 461..900
        {{-1, 0, 1, 1}, kPrimary, {-480, 23, 480, 439}},
        {{0, 0, 0, 1}, kPrimary, {0, 0, 0, 0}},  // no area: the zero rectangle
    };
    for (const auto& [props, visible, frame] : rows) EXPECT_EQ(frameForGridProps(props, visible), frame) << props;
    EXPECT_EQ(integralRect({-1.5, 0.5, 1, 1.2}), (Rect{-2, 0, 2, 2}));
}

TEST(GridProps, LargestOverlapWithTheEarlierScreenWinningTies) {
    const std::vector<Rect> visible{{0, 0, 100, 100}, {100, 0, 100, 100}};
    const std::pair<Rect, std::optional<size_t>> rows[] = {
        {{50, 0, 100, 100}, 0},
        {{60, 0, 100, 100}, 1},
        {{200, 0, 10, 10}, std::nullopt},
        {{0, 0, 0, 0}, std::nullopt},
    };
    for (const auto& [window, index] : rows) EXPECT_EQ(indexOfLargestOverlap(window, visible), index) << window;
}

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

TEST_F(WindowModelTest, NextAndPreviousDisplayKeepTheGridCells) {
    const std::tuple<Rect, bool, Rect> rows[] = {
        {{0, 23, 720, 877}, true, {1440, -180, 1280, 1080}},  {{720, 23, 720, 877}, true, {2720, -180, 1280, 1080}},
        {{0, 23, 720, 877}, false, {1440, -180, 1280, 1080}},  // previous of the first is the last
        {{1440, -180, 1280, 1080}, true, {0, 23, 960, 877}},   // next of the last is the first
        {{2720, 360, 640, 540}, false, {960, 461, 480, 439}},
    };
    for (const auto& [start, next, expected] : rows) {
        auto model = focused(start);
        next ? model.moveToNextScreen() : model.moveToPreviousScreen();
        EXPECT_EQ(desktop.window(window).frame, expected) << start << (next ? " next" : " previous");
    }
}

TEST_F(WindowModelTest, WindowWithoutAScreenStaysWhereItIs) {
    auto model = focused({5000, 5000, 100, 100});
    model.moveToNextScreen();
    model.moveToGridProps(model.gridProps(), desktop.screens()[0]);
    EXPECT_TRUE(desktop.writes().empty());
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
