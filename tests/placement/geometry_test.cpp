// The placement arithmetic, with no desktop: the frame of each action, the
// rectangle it divides, the screens' coordinates and the display grid.

#include <gtest/gtest.h>

#include "placement/layout_manager.h"
#include "placement/screen_geometry.h"
#include "placement/window_model.h"

namespace tilvane {
namespace {

// A 1440 x 900 primary screen with a 23-point menu bar, and a 1920 x 1080
// display right of it with aligned bottoms (its top 180 points higher).
constexpr Rect kVisible{0, 23, 1440, 877};
constexpr Rect kSecond{1440, -180, 1920, 1080};

// The end-to-end tests place every action on each monitor in whole pixels,
// and grow, shrink and nudge a window; these are the exact values in
// between, and a shrink below zero.
TEST(TargetFrame, ExactFramesOfTheScreenOrTheWindowsOwnFrame) {
    const struct {
        int64_t code;
        Rect reference, expected;
    } rows[] = {
        {100, kVisible, {0, 23, 720, 438.5}},
        {160, kVisible, {720, 461.5, 720, 438.5}},
        {200, kVisible, {360, 242.25, 720, 438.5}},
        {240, kVisible, {480, 23, 480, 877}},
        {270, kVisible, {0, 23 + 877.0 / 3, 1440, 877.0 / 3}},
        {280, kVisible, {0, 23 + 877 / 1.5, 1440, 877.0 / 3}},
        {220, kSecond, {2400, 90, 960, 540}},
        {300, {0, 0, 10, 5}, {0, 0, -10, -15}},  // a reduce below zero is not clamped
    };
    for (const auto& row : rows) {
        const Rect t = targetFrameForAction(row.code, row.reference);
        for (auto [got, want] : {std::pair{t.x, row.expected.x},
                                 {t.y, row.expected.y},
                                 {t.width, row.expected.width},
                                 {t.height, row.expected.height}})
            EXPECT_DOUBLE_EQ(got, want) << row.code << " on " << row.reference;
    }
}

// The visible frame of the window's screen, never a whole screen with its menu bar.
TEST(ReferenceRect, TheVisibleFrameOfTheWindowsScreen) {
    const struct {
        const char* name;
        Rect window, expected;
    } rows[] = {
        {"inside the primary", {100, 100, 800, 600}, kVisible},
        {"top-left edge inside", {0, 23, 800, 600}, kVisible},
        {"the right edge belongs to the next", {1440, 100, 800, 600}, kSecond},
        {"corner in the menu bar", {100, 10, 800, 600}, kVisible},
        {"left of everything", {-30, 200, 800, 600}, kVisible},
        {"maximized frame just off the left edge", {-5, 25, 1450, 880}, kVisible},
        {"in the menu bar but mostly on the second", {1200, 10, 800, 600}, kSecond},
        {"on no screen: the main one", {100, 900, 800, 600}, kVisible},
    };
    for (const auto& row : rows)
        EXPECT_EQ(chooseReferenceRect(row.window, {kVisible, kSecond}, kVisible), row.expected) << row.name;

    const std::vector<Rect> overlapping{{0, 0, 100, 100}, {50, 0, 100, 100}};
    EXPECT_EQ(chooseReferenceRect({60, -10, 10, 30}, overlapping, std::nullopt), overlapping[0]);
    EXPECT_EQ(chooseReferenceRect({-5, -5, 1, 1}, {kVisible}, std::nullopt), Rect{}) << "no main screen";
}

TEST(TopHalfToggle, FiftyPointsIsTheLimitInEveryNumber) {
    const Rect top{0, 23, 1440, 438.5};
    EXPECT_TRUE(isCloseToFrame({0, 23, 1440, 480}, top));
    EXPECT_FALSE(isCloseToFrame({0, 23, 1440, 500}, top));
    EXPECT_FALSE(isCloseToFrame({50, 23, 1440, 438.5}, top));
    EXPECT_TRUE(isCloseToFrame({49.9, 72.9, 1390.1, 388.6}, top));
}

// Visible frames are turned top-left against the primary screen's full height, not their own.
TEST(ScreenGeometry, VisibleFramesAndNeighbours) {
    const std::vector<Screen> screens{{1, {0, 0, 1440, 900}, {0, 70, 1440, 807}},
                                      {2, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}}};
    EXPECT_EQ(frameWithoutDockOrMenu(screens[0], screens), (Rect{0, 23, 1440, 807}));
    EXPECT_EQ(frameWithoutDockOrMenu(screens[1], screens), (Rect{1440, -150, 1920, 1050}));

    const Screen gone{7, {10, 0, 10, 10}, {10, 0, 10, 10}};  // no longer listed: itself
    EXPECT_EQ(nextScreen(gone, screens).id, 7u);
    EXPECT_EQ(previousScreen(gone, screens).id, 7u);
}

TEST(GridProps, CellsOfAWindowAndTheFrameOfCells) {
    const std::pair<Rect, Rect> cells[] = {
        {{0, 23, 720, 877}, {0, 0, 2, 2}},             // left half: 1.5 columns count as 2
        {{720, 23, 720, 877}, {2, 0, 2, 2}},           // right half starts at column 1.5
        {{0, 23, 100, 100}, {0, 0, 1, 1}},             // at least one column and row
        {{0, 23 + 219.25, 480, 438.5}, {0, 1, 1, 1}},  // half a row rounds up
        {{-240, 23, 480, 438.5}, {-1, 0, 1, 1}},       // -0.5 rounds away from zero
        {{1440, 23, 2880, 1754}, {3, 0, 6, 4}},        // no upper limits
    };
    for (const auto& [window, props] : cells) EXPECT_EQ(gridPropsForFrame(window, kVisible), props) << window;

    const std::tuple<Rect, Rect, Rect> frames[] = {
        {{2, 0, 2, 2}, kSecond, {2720, -180, 1280, 1080}},  // a cell beyond the right edge
        {{0, 1, 1, 1}, kVisible, {0, 461, 480, 439}},       // 461.5..900 widens to 461..900
        {{-1, 0, 1, 1}, kVisible, {-480, 23, 480, 439}},
        {{0, 0, 0, 1}, kVisible, {0, 0, 0, 0}},  // no area: the zero rectangle
    };
    for (const auto& [props, visible, frame] : frames) EXPECT_EQ(frameForGridProps(props, visible), frame) << props;

    const std::vector<Rect> visible{{0, 0, 100, 100}, {100, 0, 100, 100}};
    const std::pair<Rect, std::optional<size_t>> overlaps[] = {
        {{50, 0, 100, 100}, 0},  // a tie: the earlier screen
        {{60, 0, 100, 100}, 1},
        {{200, 0, 10, 10}, std::nullopt},
    };
    for (const auto& [window, index] : overlaps) EXPECT_EQ(indexOfLargestOverlap(window, visible), index) << window;
}

}  // namespace
}  // namespace tilvane
