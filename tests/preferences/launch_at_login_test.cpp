#include <gtest/gtest.h>

#include "platform/sim/sim_login_items.h"
#include "preferences/launch_at_login_controller.h"

namespace tilvane {
namespace {

TEST(LaunchAtLogin, FollowsTheLoginItemsWhoeverChangesThem) {
    sim::SimLoginItems items;
    LaunchAtLoginController controller(&items, "/usr/bin/tilvane");
    int announced = 0;
    controller.onLaunchAtLoginChange([&] { ++announced; });
    EXPECT_FALSE(controller.launchAtLogin());

    controller.setLaunchAtLogin(true);
    controller.setLaunchAtLogin(true);
    EXPECT_TRUE(controller.launchAtLogin());
    EXPECT_EQ(items.snapshot().size(), 1u);
    EXPECT_EQ(announced, 2);

    items.changeElsewhere({{"other", "/usr/bin/xterm"}});
    EXPECT_EQ(announced, 3);
    EXPECT_FALSE(controller.launchAtLogin());
    controller.setLaunchAtLogin(false);  // none to remove: nothing changes
    EXPECT_EQ(items.snapshot(), (std::vector<LoginItems::Item>{{"other", "/usr/bin/xterm"}}));

    items.setRefuses(true);
    controller.setLaunchAtLogin(true);
    EXPECT_FALSE(controller.launchAtLogin());
}

TEST(LaunchAtLogin, WithoutAProgramToStartItIsOff) {
    sim::SimLoginItems items;
    LaunchAtLoginController controller(&items, std::nullopt);
    controller.setLaunchAtLogin(true);
    EXPECT_FALSE(controller.launchAtLogin());
    EXPECT_TRUE(items.snapshot().empty());
}

TEST(LaunchAtLogin, StopsListeningWhenItGoes) {
    sim::SimLoginItems items;
    { LaunchAtLoginController controller(&items, "/usr/bin/tilvane"); }
    EXPECT_EQ(items.observerCount(), 0u);
}

}  // namespace
}  // namespace tilvane
