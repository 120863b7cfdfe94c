// The screen list from monitors and struts, without a server.

#include "platform/x11/screen_layout.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tilvane::x11 {
namespace {

constexpr Size kRoot{3360, 1080};
const Rect kRight{1440, 0, 1920, 1080};  // the tall monitor on the right
const Rect kLeft{0, 180, 1440, 900};     // the short one on the left, lower down

Strut partial(std::vector<uint32_t> words) {
    return *strutFromProperties(words, {}, kRoot);
}

// Docks on the end-to-end desktops reserve their place with partial struts;
// an old panel's whole edges, and struts that reserve nothing.
TEST(StrutFromProperties, PartialFirstThenWholeEdgesThenNothing) {
    auto s = strutFromProperties({}, {0, 0, 30, 0}, kRoot);
    ASSERT_TRUE(s);
    EXPECT_EQ(std::tie(s->top, s->topStartX, s->topEndX), std::tuple(30.0, 0.0, 3359.0));
    EXPECT_EQ(strutFromProperties({0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 100, 200}, {9, 9, 9, 9}, kRoot)->bottomStartX, 100);
    EXPECT_FALSE(strutFromProperties({}, {}, kRoot));
    EXPECT_FALSE(strutFromProperties({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, kRoot));
    EXPECT_FALSE(strutFromProperties({1, 2, 3}, {4, 5}, kRoot));  // too short to mean anything
}

// The end-to-end desktops have a primary monitor; without one the first
// leads, and without monitors the root is one screen.
TEST(ScreensFromMonitors, WithoutAPrimaryTheFirstLeadsAndWithoutMonitorsTheRootIsOne) {
    auto ordered = orderedMonitors({{7, kLeft, false}, {8, kRight, false}}, kRoot);
    EXPECT_EQ(ordered[0].id, 7u);
    EXPECT_EQ(screensFromMonitors(ordered, {}, kRoot)[1].frame, (Rect{1440, 0, 1920, 1080}));  // bottoms aligned
    auto whole = screensFromMonitors(orderedMonitors({}, kRoot), {}, kRoot);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].frame, (Rect{0, 0, 3360, 1080}));
}

// Struts count only where their band meets a monitor; a panel across a
// monitor's top is that screen's menu bar, below which its snap zone starts.
// (A dock along the bottom of one and a panel across the other's top are
// those of the end-to-end desktops.)
TEST(ScreensFromMonitors, StrutsCountWhereTheirBandMeetsAMonitorAndAPanelAcrossItsTopIsItsMenuBar) {
    const Strut bottomOfRight = partial({0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 1440, 3359});
    const Strut leftOfLeft = partial({50, 0, 0, 0, 180, 1079, 0, 0, 0, 0, 0, 0});
    const Strut rightOfRight = partial({0, 30, 0, 0, 0, 0, 0, 1079, 0, 0, 0, 0});
    // A panel along the top of the right monitor only, reaching into the band above the left one.
    const Strut topOfRight = partial({0, 0, 25, 0, 0, 0, 0, 0, 1440, 3359, 0, 0});
    const struct {
        const char* name;
        std::vector<Strut> struts;
        Rect right, left;              // each monitor's visible area, in the server's coordinates
        double rightPanel, leftPanel;  // each screen's menu bar height
    } rows[] = {
        {"none", {}, kRight, kLeft, 0, 0},
        {"a panel across the taller monitor's top, above the lower one's",
         {topOfRight},
         {1440, 25, 1920, 1055},
         kLeft,
         25,
         0},
        {"docks at the sides", {leftOfLeft, rightOfRight}, {1440, 0, 1890, 1080}, {50, 180, 1390, 900}, 0, 0},
        {"all at once", {bottomOfRight, topOfRight, rightOfRight}, {1440, 25, 1890, 1015}, kLeft, 25, 0},
        {"two panels on one monitor: the deeper one",
         {partial({0, 0, 20, 0, 0, 0, 0, 0, 1440, 2000, 0, 0}), partial({0, 0, 32, 0, 0, 0, 0, 0, 2100, 3359, 0, 0})},
         {1440, 32, 1920, 1048},
         kLeft,
         32,
         0},
        {"a panel deeper than the monitor leaves nothing",
         {partial({0, 0, 2000, 0, 0, 0, 0, 0, 0, 1439, 0, 0})},
         kRight,
         {0, 2000, 1440, 0},
         0,
         900},
    };
    auto ordered = orderedMonitors({{8, kRight, true}, {7, kLeft, false}}, kRoot);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(visibleArea(kRight, row.struts, kRoot), row.right);
        EXPECT_EQ(visibleArea(kLeft, row.struts, kRoot), row.left);
        auto screens = screensFromMonitors(ordered, row.struts, kRoot);
        ASSERT_EQ(screens.size(), 2u);
        EXPECT_EQ(screens[0].menuBarHeight, row.rightPanel);
        EXPECT_EQ(screens[1].menuBarHeight, row.leftPanel);
    }
}

TEST(MonitorWithLargestOverlap, LargestShareWinsEarlierOnTies) {
    std::vector<Monitor> monitors{{1, kRight, true}, {2, kLeft, false}};
    EXPECT_EQ(monitorWithLargestOverlap(monitors, {1400, 300, 100, 100}), 0u);  // 60 of 100 columns on the right
    EXPECT_EQ(monitorWithLargestOverlap(monitors, {1380, 300, 100, 100}), 1u);
    EXPECT_EQ(monitorWithLargestOverlap(monitors, {1390, 300, 100, 100}), 0u);  // a tie
    EXPECT_EQ(monitorWithLargestOverlap(monitors, {0, 0, 100, 100}), std::nullopt);
}

}  // namespace
}  // namespace tilvane::x11
