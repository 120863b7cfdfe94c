#include "placement/window_model.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

// The primary screen's visible frame (1440 x 877 under a 23-point menu bar)
// and a 1920 x 1080 screen to its right, bottoms aligned; top-left coordinates.
constexpr Rect kPrimaryVisible{0, 23, 1440, 877};
constexpr Rect kSecondVisible{1440, -180, 1920, 1080};

TEST(GridProps, CellsOfAWindowOnItsScreen) {
    struct Row {
        const char* name;
        Rect window;
        Rect expected;
    };
    const Row rows[] = {
        {"left half: 1.5 columns count as 2", {0, 23, 720, 877}, {0, 0, 2, 2}},
        {"right half starts at column 1.5, taken as 2", {720, 23, 720, 877}, {2, 0, 2, 2}},
        {"smaller than half a cell still spans one", {0, 23, 100, 100}, {0, 0, 1, 1}},
        {"half a column in rounds up", {240, 23, 480, 438.5}, {1, 0, 1, 1}},
        {"half a row down rounds up", {0, 23 + 219.25, 480, 438.5}, {0, 1, 1, 1}},
        {"half a column left of the screen rounds away from zero", {-240, 23, 480, 438.5}, {-1, 0, 1, 1}},
        {"beyond the right edge", {1440, 23, 480, 438.5}, {3, 0, 1, 1}},
        {"no upper limit on the span", {0, 23, 2880, 1754}, {0, 0, 6, 4}},
    };
    for (const auto& r : rows) EXPECT_EQ(gridPropsForFrame(r.window, kPrimaryVisible), r.expected) << r.name;
}

TEST(GridProps, PlacementOnCellsHasWholeNumberEdges) {
    struct Row {
        const char* name;
        Rect props;
        Rect visible;
        Rect expected;
    };
    const Row rows[] = {
        {"two columns, two rows of the wide screen", {0, 0, 2, 2}, kSecondVisible, {1440, -180, 1280, 1080}},
        {"from column 2 it reaches a cell beyond the edge", {2, 0, 2, 2}, kSecondVisible, {2720, -180, 1280, 1080}},
        {"half-point row edge: origin down, far edge up", {0, 1, 1, 1}, kPrimaryVisible, {0, 461, 480, 439}},
        {"negative column is kept", {-1, 0, 1, 1}, kPrimaryVisible, {-480, 23, 480, 439}},
        {"whole screen", {0, 0, 3, 2}, kPrimaryVisible, {0, 23, 1440, 877}},
    };
    for (const auto& r : rows) EXPECT_EQ(frameForGridProps(r.props, r.visible), r.expected) << r.name;
}

TEST(GridProps, IntegralRectContainsTheRectangle) {
    struct Row {
        Rect in;
        Rect out;
    };
    const Row rows[] = {
        {{3, 4, 5, 6}, {3, 4, 5, 6}},         {{0.5, 0.5, 1, 1}, {0, 0, 2, 2}}, {{1.2, 2.7, 3.1, 0.1}, {1, 2, 4, 1}},
        {{-1.5, -0.5, 1, 1}, {-2, -1, 2, 2}}, {{5, 5, 0, 10}, {0, 0, 0, 0}},    {{5, 5, 10, -1}, {0, 0, 0, 0}},
    };
    for (const auto& r : rows) EXPECT_EQ(integralRect(r.in), r.out) << r.in;
}

TEST(ScreenOfWindow, LargestOverlapWinsAndTheEarlierScreenWinsTies) {
    const std::vector<Rect> visible{{0, 0, 100, 100}, {100, 0, 100, 100}};
    struct Row {
        const char* name;
        Rect window;
        std::optional<size_t> expected;
    };
    const Row rows[] = {
        {"equal halves on both", {50, 0, 100, 100}, 0},
        {"more on the second", {60, 0, 100, 100}, 1},
        {"only a corner on the first", {-10, -10, 20, 20}, 0},
        {"touching an edge is no overlap", {200, 0, 10, 10}, std::nullopt},
        {"far away", {300, 300, 10, 10}, std::nullopt},
        {"frame read as all zeros", {0, 0, 0, 0}, std::nullopt},
    };
    for (const auto& r : rows) EXPECT_EQ(indexOfLargestOverlap(r.window, visible), r.expected) << r.name;
}

class WindowModelTest : public testing::Test {
protected:
    WindowModelTest() {
        desktop.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        desktop.addScreen({1440, 0, 1920, 1080});
    }
    WindowModel focused(Rect frame) {
        auto id = desktop.addWindow(7, frame).id;
        desktop.focus(id);
        window = id;
        auto model = WindowModel::focusedWindow(desktop.platform());
        EXPECT_TRUE(model);
        return std::move(*model);
    }
    Rect frame() { return desktop.window(window).frame; }

    sim::SimDesktop desktop;
    uint64_t window = 0;
};

TEST_F(WindowModelTest, NextAndPreviousDisplayKeepTheGridCells) {
    struct Row {
        const char* name;
        Rect start;
        bool next;
        Rect expected;
    };
    const Row rows[] = {
        {"left half to the wider screen", {0, 23, 720, 877}, true, {1440, -180, 1280, 1080}},
        {"right half lands a cell beyond the edge, unclamped", {720, 23, 720, 877}, true, {2720, -180, 1280, 1080}},
        {"previous from the first wraps to the last", {0, 23, 720, 877}, false, {1440, -180, 1280, 1080}},
        {"next from the last wraps to the first", {1440, -180, 1280, 1080}, true, {0, 23, 960, 877}},
        {"lower row onto a half-point grid", {2720, 360, 640, 540}, false, {960, 461, 480, 439}},
    };
    for (const auto& r : rows) {
        desktop.clearWrites();
        auto model = focused(r.start);
        if (r.next)
            model.moveToNextScreen();
        else
            model.moveToPreviousScreen();
        EXPECT_EQ(frame(), r.expected) << r.name;
    }
}

TEST_F(WindowModelTest, WithOneScreenTheWindowSnapsToItsOwnCells) {
    sim::SimDesktop single;
    single.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
    auto id = single.addWindow(7, {100, 100, 500, 300}).id;
    single.focus(id);
    for (bool next : {true, false}) {
        single.window(id).frame = {100, 100, 500, 300};
        auto model = WindowModel::focusedWindow(single.platform());
        ASSERT_TRUE(model);
        next ? model->moveToNextScreen() : model->moveToPreviousScreen();
        EXPECT_EQ(single.window(id).frame, (Rect{0, 23, 480, 439}));
    }
}

TEST_F(WindowModelTest, WindowWithoutAScreenStaysWhereItIs) {
    auto model = focused({5000, 5000, 100, 100});
    EXPECT_FALSE(model.screen());
    EXPECT_TRUE(model.gridProps().isNull());
    model.moveToNextScreen();
    model.moveToPreviousScreen();
    model.moveToGridProps(model.gridProps(), desktop.screens()[0]);
    EXPECT_TRUE(desktop.writes().empty());
}

TEST_F(WindowModelTest, ScreenFollowsTheScreenListOrderOnTies) {
    // Half on each screen's visible frame, same area: the primary comes first.
    auto model = focused({1240, 100, 400, 200});
    ASSERT_TRUE(model.screen());
    EXPECT_EQ(model.screen()->id, desktop.screens()[0].id);
}

TEST_F(WindowModelTest, SetFrameWritesSizePositionSize) {
    auto model = focused({10, 30, 100, 100});
    desktop.window(window).refusePosition = true;  // a failed write does not stop the others
    model.setFrame({50, 60, 300, 200});
    const auto& writes = desktop.writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].attribute, "AXSize");
    EXPECT_EQ(*writes[0].value.size(), (Size{300, 200}));
    EXPECT_EQ(writes[1].attribute, "AXPosition");
    EXPECT_EQ(*writes[1].value.point(), (Point{50, 60}));
    EXPECT_EQ(writes[2].attribute, "AXSize");
    EXPECT_EQ(*writes[2].value.size(), (Size{300, 200}));
}

TEST(WindowModel, FailedReadsGiveZerosAndTheirLogLines) {
    struct Row {
        const char* name;
        void (*arrange)(sim::SimWindow&);
        Rect frame;
        std::vector<std::string> log;
    };
    const Row rows[] = {
        {"readable", [](sim::SimWindow&) {}, {10, 30, 100, 200}, {}},
        {"position unreadable",
         [](sim::SimWindow& w) { w.failPositionRead = true; },
         {0, 0, 100, 200},
         {"could not get window topLeft"}},
        {"position not a point",
         [](sim::SimWindow& w) { w.positionNotPoint = true; },
         {0, 0, 100, 200},
         {"could not decode topLeft"}},
        {"size unreadable",
         [](sim::SimWindow& w) { w.failSizeRead = true; },
         {10, 30, 0, 0},
         {"could not get window size"}},
        {"size not a size", [](sim::SimWindow& w) { w.sizeNotSize = true; }, {10, 30, 0, 0}, {}},
    };
    for (const auto& r : rows) {
        sim::SimDesktop d;
        auto& w = d.addWindow(7, {10, 30, 100, 200});
        d.focus(w.id);
        r.arrange(w);
        auto model = WindowModel::focusedWindow(d.platform());
        ASSERT_TRUE(model) << r.name;
        EXPECT_EQ(model->frame(), r.frame) << r.name;
        EXPECT_EQ(d.logLines(), r.log) << r.name;
    }
}

TEST(WindowModel, NoFocusedWindowGivesNone) {
    struct Row {
        const char* name;
        void (*arrange)(sim::SimDesktop&, uint64_t);
    };
    const Row rows[] = {
        {"no focused application", [](sim::SimDesktop& d, uint64_t) { d.clearFocus(); }},
        {"no focused window", [](sim::SimDesktop& d, uint64_t w) { d.app(d.window(w).pid).focusedWindow.reset(); }},
        {"focused window read fails",
         [](sim::SimDesktop& d, uint64_t w) { d.app(d.window(w).pid).failFocusedWindowRead = true; }},
        {"focused value is not an element",
         [](sim::SimDesktop& d, uint64_t w) { d.app(d.window(w).pid).focusedWindowIsText = true; }},
    };
    for (const auto& r : rows) {
        sim::SimDesktop d;
        auto id = d.addWindow(7, {10, 30, 100, 200}).id;
        d.focus(id);
        r.arrange(d, id);
        EXPECT_FALSE(WindowModel::focusedWindow(d.platform())) << r.name;
    }
}

TEST_F(WindowModelTest, OwnsItsWindowReferenceAndKeepsOneSystemWideElement) {
    desktop.focus(desktop.addWindow(7, {10, 30, 100, 200}).id);
    auto& ax = *desktop.platform().accessibility;
    const AXElement& shared = WindowModel::systemWideElement(ax);
    EXPECT_EQ(&WindowModel::systemWideElement(ax), &shared);
    const size_t before = desktop.liveElements();
    {
        auto model = WindowModel::focusedWindow(desktop.platform());
        ASSERT_TRUE(model);
        // The application element of the lookup is gone; the window's stays with the model.
        EXPECT_EQ(desktop.liveElements(), before + 1);
    }
    EXPECT_EQ(desktop.liveElements(), before);
    EXPECT_EQ(&WindowModel::systemWideElement(ax), &shared);
}

TEST(WindowModel, RealFrameForScreenFlipsTheVisibleFrame) {
    const std::vector<Screen> screens{{1, {0, 0, 1440, 900}, {0, 70, 1440, 807}}, {2, {1440, 0, 1920, 1080}, {}}};
    EXPECT_EQ(WindowModel::realFrameForScreen(screens[0], screens), (Rect{0, 23, 1440, 807}));
    EXPECT_EQ(WindowModel::realFrameForScreen(std::nullopt, screens), (Rect{0, 900, 0, 0}));
    EXPECT_EQ(WindowModel::realFrameForScreen(std::nullopt, {}), (Rect{0, 0, 0, 0}));
}

}  // namespace
}  // namespace tilvane
