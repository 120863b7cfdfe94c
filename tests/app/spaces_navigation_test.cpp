#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

constexpr int64_t kNotFound = 0x7FFFFFFFFFFFFFFF;

// The window server reports Spaces 30, 20, 10: the Desktops are 10, 20, 30.
const std::vector<std::pair<uint64_t, int>> kThree{{30, 0}, {20, 0}, {10, 0}};
const std::vector<std::pair<uint64_t, int>> kThreeAndFullscreen{{30, 0}, {25, 2}, {20, 0}, {10, 0}};

TEST(SpacesNavigation, NeighbourNumbersWrapAtTheEnds) {
    struct Row {
        const char* name;
        std::vector<std::pair<uint64_t, int>> spaces;
        std::optional<uint64_t> current;
        uint64_t next;
        int64_t previous;
    };
    const Row rows[] = {
        {"first", kThree, 10, 2, 3},
        {"middle", kThree, 20, 3, 1},
        {"last wraps to the first", kThree, 30, 1, 2},
        {"type-2 Space is not counted", kThreeAndFullscreen, 30, 1, 2},
        {"type-2 Space between", kThreeAndFullscreen, 20, 3, 1},
        {"current Space is type 2", kThreeAndFullscreen, 25, 1, kNotFound},
        {"current Space missing from the list", kThree, 99, 1, kNotFound},
        {"no current Space", kThree, std::nullopt, 1, kNotFound},
        {"single Space", {{10, 0}}, 10, 1, 1},
        // With no Spaces at all the unsigned arithmetic lands far above 16: nothing moves.
        {"no Spaces", {}, std::nullopt, 0x8000000000000001, kNotFound},
        {"only a type-2 Space", {{25, 2}}, 25, 0x8000000000000001, kNotFound},
    };
    for (const auto& r : rows) {
        sim::SimDesktop desktop;
        desktop.setSpaces(r.spaces, r.current);
        AppDelegate app(desktop.platform());
        EXPECT_EQ(app.getNextSpaceNumber(), r.next) << r.name;
        EXPECT_EQ(app.getPrevSpaceNumber(), r.previous) << r.name;
    }
}

TEST(SpacesNavigation, ListIsReversedWithoutType2AndReadAnewEachTime) {
    sim::SimDesktop desktop;
    desktop.setSpaces(kThreeAndFullscreen, 20);
    AppDelegate app(desktop.platform());
    EXPECT_EQ(app.getspaces(), (std::vector<uint64_t>{10, 20, 30}));
    EXPECT_EQ(app.current_space(), 20u);

    desktop.setSpaces({{40, 0}, {30, 0}, {20, 0}, {10, 0}}, 30);
    EXPECT_EQ(app.getspaces(), (std::vector<uint64_t>{10, 20, 30, 40}));
    EXPECT_EQ(app.getNextSpaceNumber(), 4u);
    EXPECT_EQ(app.getPrevSpaceNumber(), 2);
}

TEST(SpacesNavigation, WithoutASpacesServiceNothingIsFound) {
    sim::SimDesktop desktop;
    Platform platform = desktop.platform();
    platform.spaces = nullptr;
    AppDelegate app(platform);
    EXPECT_TRUE(app.getspaces().empty());
    EXPECT_FALSE(app.current_space());
    EXPECT_GT(app.getNextSpaceNumber(), 16u);
    EXPECT_GT(app.getPrevSpaceNumber(), 16);
}

}  // namespace
}  // namespace tilvane
