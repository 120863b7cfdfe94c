// Start-up and termination on the simulated desktop: the first-launch
// settings, the hot keys bound at start-up and released at the end.

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_hot_keys.h"
#include "platform/sim/sim_keyboard.h"

namespace tilvane {
namespace {

class LifecycleTest : public testing::Test {
protected:
    LifecycleTest() {
        desktop.addScreen({0, 0, 1440, 900});
        platform = desktop.platform();
        platform.hotKeys = &hotKeys;
        platform.keyboard = &keyboard;
        platform.archiver = &archiver;
    }
    sim::MemorySettingsStore& store() { return desktop.settings(); }

    sim::SimDesktop desktop;
    sim::SimHotKeyService hotKeys;
    sim::SimKeyboard keyboard;
    plist::PlistKeyedArchiver archiver;
    Platform platform;
};

TEST_F(LifecycleTest, AFirstLaunchWritesTheSwitchesAndEveryShortcut) {
    AppDelegate app(platform);
    app.applicationDidFinishLaunching();
    EXPECT_EQ(store().objectForKey("EnableShotcuts"), SettingsValue(true));
    for (const char* key : {"WMoveSizeEnabledBrigToFront", "WindowMovingEnabled", "WindowResizingEnabled"})
        EXPECT_EQ(store().objectForKey(key), SettingsValue(false)) << key;
    std::vector<std::string> expected{"EnableShotcuts", "WMoveSizeEnabledBrigToFront", "WindowMovingEnabled",
                                      "WindowResizingEnabled"};
    for (const auto& action : kActions) expected.emplace_back(action.settingsKey);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(store().keys(), expected);
    EXPECT_EQ(hotKeys.registrations().size(), kActions.size());
    app.applicationWillTerminate();
    EXPECT_TRUE(hotKeys.registrations().empty());
}

TEST_F(LifecycleTest, ValuesAlreadyStoredStay) {
    store().setBool("EnableShotcuts", false);
    store().setBool("WindowMovingEnabled", true);
    AppDelegate app(platform);
    app.applicationDidFinishLaunching();
    EXPECT_EQ(store().objectForKey("EnableShotcuts"), SettingsValue(false));
    EXPECT_EQ(store().objectForKey("WindowMovingEnabled"), SettingsValue(true));
    EXPECT_EQ(store().objectForKey("WindowResizingEnabled"), SettingsValue(false));
}

TEST_F(LifecycleTest, StartUpStartsTheModifierDrag) {
    for (const char* key : {"WindowMovingEnabled", "WMoveControl", "WMoveCommand"}) store().setBool(key, true);
    auto window = desktop.addWindow(42, {100, 100, 400, 300}).id;
    desktop.focus(window);
    desktop.setPointer({200, 200});
    AppDelegate app(platform);
    app.applicationDidFinishLaunching();

    InputEvent flags;
    flags.type = EventType::FlagsChanged;
    flags.modifierFlags = modifier::kControl | modifier::kCommand;
    desktop.deliverGlobal(flags);
    InputEvent move;
    move.location = {210, 205};
    move.deltaX = 10;
    move.deltaY = 5;
    desktop.deliverGlobal(move);
    EXPECT_EQ(desktop.window(window).frame, (Rect{110, 105, 400, 300}));
}

}  // namespace
}  // namespace tilvane
