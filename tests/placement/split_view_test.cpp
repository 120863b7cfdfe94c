#include <gtest/gtest.h>

#include "placement/split_view_actions.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

class SplitViewTest : public testing::Test {
protected:
    SplitViewTest() {
        desktop.addScreen({0, 0, 1440, 900});
        auto& w = desktop.addWindow(9, {80, 40, 800, 600});
        w.zoomButton = Rect{100, 50, 14, 16};
        window = w.id;
        desktop.focus(window);
        desktop.setPointer({500, 500});
    }

    sim::SimDesktop desktop;
    uint64_t window = 0;
};

TEST_F(SplitViewTest, LongPressAtTheZoomButtonCentre) {
    SplitViewActions::splitView(desktop.platform());
    const auto& posted = desktop.postedEvents();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].event, (SyntheticEvent{EventType::LeftMouseDown, {107, 58}, 0, 0}));
    EXPECT_EQ(posted[0].at, 0ns);
    EXPECT_EQ(posted[1].event, (SyntheticEvent{EventType::LeftMouseUp, {107, 58}, 0, 0}));
    EXPECT_EQ(posted[1].at, 600ms);
    // The hold blocks the thread; the release is not left to the loop.
    EXPECT_EQ(desktop.runLoop().pendingTasks(), 0u);
}

TEST_F(SplitViewTest, AnyFailedReadPostsNothing) {
    struct Row {
        const char* name;
        void (*arrange)(sim::SimDesktop&, uint64_t);
    };
    const Row rows[] = {
        {"no frontmost application", [](sim::SimDesktop& d, uint64_t) { d.clearFocus(); }},
        {"no focused window", [](sim::SimDesktop& d, uint64_t) { d.app(9).focusedWindow.reset(); }},
        {"focused window read fails", [](sim::SimDesktop& d, uint64_t) { d.app(9).failFocusedWindowRead = true; }},
        {"focused value is not an element", [](sim::SimDesktop& d, uint64_t) { d.app(9).focusedWindowIsText = true; }},
        {"window without a zoom button", [](sim::SimDesktop& d, uint64_t w) { d.window(w).zoomButton.reset(); }},
        {"button position unreadable",
         [](sim::SimDesktop& d, uint64_t w) { d.window(w).failZoomButtonPositionRead = true; }},
        {"button size unreadable", [](sim::SimDesktop& d, uint64_t w) { d.window(w).failZoomButtonSizeRead = true; }},
    };
    for (const auto& r : rows) {
        sim::SimDesktop d;
        auto& w = d.addWindow(9, {80, 40, 800, 600});
        w.zoomButton = Rect{100, 50, 14, 16};
        d.focus(w.id);
        r.arrange(d, w.id);
        SplitViewActions::splitView(d.platform());
        EXPECT_TRUE(d.postedEvents().empty()) << r.name;
        EXPECT_EQ(d.runLoop().elapsed(), 0ns) << r.name;
        EXPECT_TRUE(d.logLines().empty()) << r.name;
    }
}

TEST_F(SplitViewTest, ReleasesEveryElementItRead) {
    const size_t before = desktop.liveElements();
    SplitViewActions::splitView(desktop.platform());
    EXPECT_EQ(desktop.liveElements(), before);
}

}  // namespace
}  // namespace tilvane
