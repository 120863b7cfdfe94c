#include "placement/screen_geometry.h"

#include <gtest/gtest.h>

namespace tilvane {
namespace {

Screen screen(uint64_t id, Rect frame, std::optional<Rect> visible = std::nullopt) {
    return Screen{id, frame, visible.value_or(frame)};
}

struct ConversionRow {
    const char* name;
    Rect bottomLeft;
    Rect topLeft;
};

class ConversionTest : public testing::TestWithParam<ConversionRow> {};

// The primary screen is 1440 x 900 in every row.
TEST_P(ConversionTest, ConvertsAndRoundTrips) {
    const auto& row = GetParam();
    EXPECT_EQ(flipRect(row.bottomLeft, 900), row.topLeft);
    EXPECT_EQ(flipRect(flipRect(row.bottomLeft, 900), 900), row.bottomLeft);
}

INSTANTIATE_TEST_SUITE_P(ScreenGeometry, ConversionTest,
                         testing::Values(ConversionRow{"menuBar", {0, 0, 1440, 877}, {0, 23, 1440, 877}},
                                         ConversionRow{"dock", {0, 70, 1440, 807}, {0, 23, 1440, 807}},
                                         ConversionRow{"rightAligned", {1440, 0, 1920, 1080}, {1440, -180, 1920, 1080}},
                                         ConversionRow{"above", {0, 900, 1920, 1080}, {0, -1080, 1920, 1080}},
                                         ConversionRow{"below", {0, -768, 1024, 768}, {0, 900, 1024, 768}},
                                         ConversionRow{
                                             "negativeOrigin", {-1280, 100, 1280, 1024}, {-1280, -224, 1280, 1024}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenGeometry, VisibleFrameIsConvertedAgainstThePrimaryFullHeight) {
    std::vector<Screen> screens{screen(1, {0, 0, 1440, 900}, Rect{0, 70, 1440, 807}),
                                screen(2, {1440, 0, 1920, 1080}, Rect{1440, 0, 1920, 1050})};
    Rect primary = frameWithoutDockOrMenu(screens[0], screens);
    EXPECT_EQ(primary, (Rect{0, 23, 1440, 807}));
    EXPECT_EQ(primary.maxY(), 830);
    EXPECT_EQ(frameWithoutDockOrMenu(screens[1], screens), (Rect{1440, -150, 1920, 1050}));
}

TEST(ScreenGeometry, NeighboursWrapAtTheEnds) {
    std::vector<Screen> three{screen(1, {0, 0, 10, 10}), screen(2, {10, 0, 10, 10}), screen(3, {20, 0, 10, 10})};
    EXPECT_EQ(nextScreen(three[0], three).id, 2u);
    EXPECT_EQ(nextScreen(three[2], three).id, 1u);
    EXPECT_EQ(previousScreen(three[0], three).id, 3u);
    EXPECT_EQ(previousScreen(three[1], three).id, 1u);

    std::vector<Screen> one{three[0]};
    EXPECT_EQ(nextScreen(one[0], one).id, 1u);
    EXPECT_EQ(previousScreen(one[0], one).id, 1u);
    Screen gone = screen(7, {10, 0, 10, 10});  // no longer listed: itself
    EXPECT_EQ(nextScreen(gone, one).id, 7u);
    EXPECT_EQ(previousScreen(gone, one).id, 7u);
}

}  // namespace
}  // namespace tilvane
