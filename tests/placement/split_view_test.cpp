#include <gtest/gtest.h>

#include "placement/split_view_actions.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

TEST(SplitView, LongPressAtTheZoomButtonCentreUnlessAReadFails) {
    using Arrange = void (*)(sim::SimDesktop&, sim::SimWindow&);
    const std::pair<const char*, Arrange> rows[] = {
        {"readable", [](sim::SimDesktop&, sim::SimWindow&) {}},
        {"no frontmost application", [](sim::SimDesktop& d, sim::SimWindow&) { d.clearFocus(); }},
        {"no focused window", [](sim::SimDesktop& d, sim::SimWindow&) { d.app(9).focusedWindow.reset(); }},
        {"focused value not an element",
         [](sim::SimDesktop& d, sim::SimWindow&) { d.app(9).focusedWindowIsText = true; }},
        {"no zoom button", [](sim::SimDesktop&, sim::SimWindow& w) { w.zoomButton.reset(); }},
        {"button position unreadable",
         [](sim::SimDesktop&, sim::SimWindow& w) { w.failZoomButtonPositionRead = true; }},
        {"button size unreadable", [](sim::SimDesktop&, sim::SimWindow& w) { w.failZoomButtonSizeRead = true; }},
    };
    for (const auto& [name, arrange] : rows) {
        sim::SimDesktop d;
        auto& w = d.addWindow(9, {80, 40, 800, 600});
        w.zoomButton = Rect{100, 50, 14, 16};
        d.focus(w.id);
        arrange(d, w);
        SplitViewActions::splitView(d.platform());
        if (name != std::string_view("readable")) {
            EXPECT_TRUE(d.postedEvents().empty()) << name;
            continue;
        }
        const auto& posted = d.postedEvents();
        ASSERT_EQ(posted.size(), 2u);
        EXPECT_EQ(posted[0].event, (SyntheticEvent{EventType::LeftMouseDown, {107, 58}, 0, 0}));
        EXPECT_EQ(posted[1].event, (SyntheticEvent{EventType::LeftMouseUp, {107, 58}, 0, 0}));
        EXPECT_EQ(posted[1].at - posted[0].at, 600ms);
        EXPECT_EQ(d.runLoop().pendingTasks(), 0u);  // the hold blocks; the release is not left to the loop
    }
}

}  // namespace
}  // namespace tilvane
