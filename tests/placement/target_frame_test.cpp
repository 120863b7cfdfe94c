#include <gtest/gtest.h>

#include "placement/layout_manager.h"

namespace tilvane {
namespace {

struct TargetRow {
    int64_t code;
    Rect reference;
    Rect expected;
};

void PrintTo(const TargetRow& row, std::ostream* os) {
    *os << row.code << " on " << row.reference;
}

class TargetFrameTest : public testing::TestWithParam<TargetRow> {};

TEST_P(TargetFrameTest, MatchesTheExpectedFrame) {
    const auto& row = GetParam();
    Rect t = targetFrameForAction(row.code, row.reference);
    EXPECT_DOUBLE_EQ(t.x, row.expected.x);
    EXPECT_DOUBLE_EQ(t.y, row.expected.y);
    EXPECT_DOUBLE_EQ(t.width, row.expected.width);
    EXPECT_DOUBLE_EQ(t.height, row.expected.height);
}

// A 1440 x 900 primary screen with a 23-point menu bar and no Dock.
constexpr Rect kVisible{0, 23, 1440, 877};
constexpr Rect kWindow{100, 100, 800, 600};
// A second display right of the primary, 1920 x 1080, top 180 points above the primary's.
constexpr Rect kSecond{1440, -180, 1920, 1080};

INSTANTIATE_TEST_SUITE_P(
    SingleScreen, TargetFrameTest,
    testing::Values(TargetRow{100, kVisible, {0, 23, 720, 438.5}}, TargetRow{120, kVisible, {0, 23, 720, 877}},
                    TargetRow{130, kVisible, {0, 461.5, 720, 438.5}}, TargetRow{140, kVisible, {720, 23, 720, 438.5}},
                    TargetRow{150, kVisible, {720, 23, 720, 877}}, TargetRow{160, kVisible, {720, 461.5, 720, 438.5}},
                    TargetRow{170, kVisible, {0, 23, 1440, 438.5}}, TargetRow{180, kVisible, {0, 461.5, 1440, 438.5}},
                    TargetRow{190, kVisible, kVisible}, TargetRow{200, kVisible, {360, 242.25, 720, 438.5}},
                    TargetRow{210, kVisible, {0, 242.25, 720, 438.5}},
                    TargetRow{220, kVisible, {720, 242.25, 720, 438.5}}, TargetRow{230, kVisible, {0, 23, 480, 877}},
                    TargetRow{240, kVisible, {480, 23, 480, 877}}, TargetRow{250, kVisible, {960, 23, 480, 877}},
                    TargetRow{260, kVisible, {0, 23, 1440, 877.0 / 3}},
                    TargetRow{270, kVisible, {0, 23 + 877.0 / 3, 1440, 877.0 / 3}},
                    TargetRow{280, kVisible, {0, 23 + 877 / 1.5, 1440, 877.0 / 3}},
                    TargetRow{290, kWindow, {100, 100, 820, 620}}, TargetRow{300, kWindow, {100, 100, 780, 580}},
                    TargetRow{310, kWindow, {85, 100, 800, 600}}, TargetRow{320, kWindow, {115, 100, 800, 600}},
                    TargetRow{330, kWindow, {100, 85, 800, 600}}, TargetRow{340, kWindow, {100, 115, 800, 600}}));

INSTANTIATE_TEST_SUITE_P(SecondDisplay, TargetFrameTest,
                         testing::Values(TargetRow{150, kSecond, {2400, -180, 960, 1080}},
                                         TargetRow{220, kSecond, {2400, 90, 960, 540}},
                                         TargetRow{100, kSecond, {1440, -180, 960, 540}},
                                         TargetRow{280, kSecond, {1440, 540, 1920, 360}}));

TEST(TargetFrame, ReduceBelowZeroIsNotClamped) {
    EXPECT_EQ(targetFrameForAction(300, Rect{0, 0, 10, 5}), (Rect{0, 0, -10, -15}));
}

struct ReferenceRow {
    const char* name;
    Rect window;
    Rect expected;
};

class ReferenceRectTest : public testing::TestWithParam<ReferenceRow> {};

// Primary visible frame (0, 23, 1440, 877) under a menu bar, second display
// right of it; the primary is the main screen.
TEST_P(ReferenceRectTest, ChoosesTheVisibleFrameOfTheWindowsScreen) {
    std::vector<Rect> visible{kVisible, kSecond};
    EXPECT_EQ(chooseReferenceRect(GetParam().window, visible, kVisible), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ReferenceRect, ReferenceRectTest,
    testing::Values(ReferenceRow{"insidePrimary", {100, 100, 800, 600}, kVisible},
                    ReferenceRow{"topLeftEdgeInside", {0, 23, 800, 600}, kVisible},
                    ReferenceRow{"rightEdgeBelongsToNext", {1440, 100, 800, 600}, kSecond},
                    ReferenceRow{"onSecond", {1500, 100, 800, 600}, kSecond},
                    // The corner outside every visible frame: never the whole screen with its menu bar.
                    ReferenceRow{"inMenuBar", {100, 10, 800, 600}, kVisible},
                    ReferenceRow{"leftOfEverything", {-30, 200, 800, 600}, kVisible},
                    ReferenceRow{"maximizedFrameJustOffTheLeftEdge", {-5, 25, 1450, 880}, kVisible},
                    ReferenceRow{"inMenuBarButMostlyOnSecond", {1200, 10, 800, 600}, kSecond},
                    ReferenceRow{"onNoScreenGivesTheMainOne", {100, 900, 800, 600}, kVisible}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReferenceRect, FirstInListWinsWhenFramesOverlap) {
    std::vector<Rect> overlapping{{0, 0, 100, 100}, {50, 0, 100, 100}};
    EXPECT_EQ(chooseReferenceRect({60, 10, 10, 10}, overlapping, std::nullopt), overlapping[0]);
    EXPECT_EQ(chooseReferenceRect({60, -10, 10, 30}, overlapping, std::nullopt), overlapping[0]);
}

TEST(ReferenceRect, NoMainScreenGivesTheZeroRectangle) {
    EXPECT_EQ(chooseReferenceRect({-5, -5, 1, 1}, {kVisible}, std::nullopt), Rect{});
}

TEST(TopHalfToggle, FiftyPointsIsTheLimitInEveryNumber) {
    const Rect top{0, 23, 1440, 438.5};
    EXPECT_TRUE(isCloseToFrame(top, top));
    EXPECT_TRUE(isCloseToFrame({0, 23, 1440, 480}, top));
    EXPECT_FALSE(isCloseToFrame({0, 23, 1440, 500}, top));
    EXPECT_FALSE(isCloseToFrame({50, 23, 1440, 438.5}, top));
    EXPECT_TRUE(isCloseToFrame({49.9, 72.9, 1390.1, 388.6}, top));
}

}  // namespace
}  // namespace tilvane
