#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "platform/sim/sim_desktop.h"

namespace tilvane {
namespace {

using Reported = std::vector<std::pair<uint64_t, int>>;  // window-server order, with types
constexpr int64_t kNotFound = 0x7FFFFFFFFFFFFFFF;

TEST(SpacesNavigation, NeighbourNumbersWrapAtTheEnds) {
    // Reported as 30, 20, 10: the Desktops are 10, 20, 30. 25 is type 2 and not counted.
    const Reported three{{30, 0}, {20, 0}, {10, 0}}, withType2{{30, 0}, {25, 2}, {20, 0}, {10, 0}};
    const std::tuple<Reported, std::optional<uint64_t>, uint64_t, int64_t> rows[] = {
        {three, 10, 2, 3},
        {three, 20, 3, 1},
        {three, 30, 1, 2},
        {withType2, 20, 3, 1},
        {withType2, 25, 1, kNotFound},
        {three, std::nullopt, 1, kNotFound},
        {{{10, 0}}, 10, 1, 1},
        // No Spaces at all: the unsigned arithmetic lands far above 16, so nothing moves.
        {{}, std::nullopt, 0x8000000000000001, kNotFound},
    };
    for (const auto& [reported, current, next, previous] : rows) {
        sim::SimDesktop desktop;
        desktop.setSpaces(reported, current);
        AppDelegate app(desktop.platform());
        EXPECT_EQ(app.getNextSpaceNumber(), next) << reported.size() << " Spaces, current " << current.value_or(0);
        EXPECT_EQ(app.getPrevSpaceNumber(), previous) << reported.size() << " Spaces, current " << current.value_or(0);
    }
}

TEST(SpacesNavigation, ListIsReadAnewForEveryAction) {
    sim::SimDesktop desktop;
    desktop.setSpaces({{30, 0}, {25, 2}, {20, 0}, {10, 0}}, 20);
    AppDelegate app(desktop.platform());
    EXPECT_EQ(app.getspaces(), (std::vector<uint64_t>{10, 20, 30}));
    desktop.setSpaces({{40, 0}, {30, 0}, {20, 0}, {10, 0}}, 30);
    EXPECT_EQ(app.getspaces(), (std::vector<uint64_t>{10, 20, 30, 40}));
    EXPECT_EQ(app.getNextSpaceNumber(), 4u);
}

}  // namespace
}  // namespace tilvane
