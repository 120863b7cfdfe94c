// The road of a hot-key press on the simulated desktop: the stored default
// shortcuts, their registration and binding, and the dispatch they end in.

#include <gtest/gtest.h>

#include <sstream>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "app/shortcuts_command.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_hot_keys.h"
#include "platform/sim/sim_keyboard.h"
#include "shortcuts/shortcut.h"
#include "shortcuts/shortcut_binder.h"

namespace tilvane {
namespace {

constexpr Rect kStart{100, 100, 800, 600};
constexpr Rect kLeftHalf{0, 23, 720, 877};
constexpr Rect kRightHalf{720, 23, 720, 877};

// A desktop with one 1440 x 900 screen, one focused window, and the hot-key,
// keyboard and archive services.
class HotkeyRegistrationTest : public testing::Test {
protected:
    HotkeyRegistrationTest() {
        desktop.addScreen({0, 0, 1440, 900}, Rect{0, 0, 1440, 877});
        window = desktop.addWindow(42, kStart).id;
        desktop.focus(window);
        desktop.settings().setBool("EnableShotcuts", true);
        platform = desktop.platform();
        platform.hotKeys = &hotKeys;
        platform.keyboard = &keyboard;
        platform.archiver = &archiver;
        app = std::make_unique<AppDelegate>(platform);
    }
    // Start-up as the program does it.
    void launch() {
        app->registerHotkeys(false);
        app->activateHotkeys();
    }
    // The user presses the combination; the queued action then runs.
    bool press(uint32_t keyCode, uint64_t flags) {
        Shortcut s(keyCode, flags);
        bool delivered = hotKeys.press(s.carbonKeyCode(), s.carbonFlags());
        desktop.runLoop().runUntilIdle();
        return delivered;
    }
    Rect frame() { return desktop.window(window).frame; }
    sim::MemorySettingsStore& store() { return desktop.settings(); }
    std::optional<Shortcut> stored(std::string_view key) {
        auto data = store().dataForKey(std::string(key));
        return data ? unarchiveShortcut(archiver, *data) : std::nullopt;
    }
    int runCommand(std::vector<std::string> args, std::string* output = nullptr) {
        std::ostringstream out, err;
        int status = runShortcutsCommand(args, store(), archiver, keyboard, out, err);
        if (output) *output = out.str();
        return status;
    }
    std::string listing() {
        std::string text;
        runCommand({"list"}, &text);
        return text;
    }

    sim::SimDesktop desktop;
    sim::SimHotKeyService hotKeys;
    sim::SimKeyboard keyboard;
    plist::PlistKeyedArchiver archiver;
    Platform platform;
    uint64_t window = 0;
    std::unique_ptr<AppDelegate> app;
};

TEST_F(HotkeyRegistrationTest, FirstLaunchStoresTheDefaultsInRegistrationOrder) {
    const size_t writesBefore = store().writtenKeys().size();  // the switch
    app->registerHotkeys(false);
    ASSERT_EQ(app->keysArray().size(), 29u);
    for (size_t i = 0; i < kRegistrationOrder.size(); ++i) {
        const ActionInfo* info = actionForCode(kRegistrationOrder[i]);
        const HotKeyEntry& entry = app->keysArray()[i];
        EXPECT_EQ(entry.directrion, info->code);
        EXPECT_EQ(entry.defaultsKey, info->settingsKey);
        EXPECT_EQ(stored(info->settingsKey), Shortcut(info->defaultKeyCode, info->defaultModifierFlags));
        EXPECT_EQ(app->shortCutWithKey(entry.defaultsKey), stored(info->settingsKey));
    }
    EXPECT_EQ(app->keysArray().front().directrion, 1000);
    EXPECT_EQ(store().writtenKeys().size() - writesBefore, 29u);
    EXPECT_EQ(store().synchronizeCount(), 29);
    // A second registration replaces the list instead of adding to it.
    app->registerHotkeys(false);
    EXPECT_EQ(app->keysArray().size(), 29u);
    EXPECT_EQ(store().writtenKeys().size() - writesBefore, 29u);
}

// Regression: before the first start the list showed "(none)" for every
// action, though start-up then stored and used the defaults.
TEST_F(HotkeyRegistrationTest, TheListBeforeTheFirstStartShowsTheDefaultsStartUpUses) {
    std::string before = listing();
    EXPECT_EQ(before.find("(none"), std::string::npos) << before;
    launch();
    std::string after = listing();
    EXPECT_EQ(after.find("(default)"), std::string::npos) << after;
    for (size_t at; (at = before.find(" (default)")) != std::string::npos;) before.erase(at, 10);
    EXPECT_EQ(before, after);

    // A cleared key shows the default the next start brings back.
    ASSERT_EQ(runCommand({"clear", "left"}), 0);
    EXPECT_NE(listing().find("LeftShortcut             \u2303\u2325\u2190    ctrl+alt+Left (default)\n"),
              std::string::npos);
}

TEST_F(HotkeyRegistrationTest, LaterLaunchesKeepWhateverIsStored) {
    store().setObject("LeftShortcut", SettingsValue(archiveShortcut(archiver, Shortcut(0, modifier::kCommand))));
    store().setObject("TopShortcut", SettingsValue("not a shortcut"));
    app->registerHotkeys(false);
    EXPECT_EQ(stored("LeftShortcut"), Shortcut(0, modifier::kCommand));
    EXPECT_EQ(store().stringForKey("TopShortcut"), "not a shortcut");
    EXPECT_EQ(app->shortCutWithKey("TopShortcut"), std::nullopt);
    EXPECT_EQ(app->shortcutWithData(std::nullopt), std::nullopt);
}

TEST_F(HotkeyRegistrationTest, DefaultPressMovesTheFocusedWindow) {
    launch();
    EXPECT_EQ(hotKeys.registrations().size(), 29u);
    Shortcut left(123, modifier::kControl | modifier::kOption);
    ASSERT_TRUE(hotKeys.press(left.carbonKeyCode(), left.carbonFlags()));
    EXPECT_EQ(frame(), kStart);  // the action waits for the next turn of the run loop
    desktop.runLoop().runUntilIdle();
    EXPECT_EQ(frame(), kLeftHalf);

    ASSERT_TRUE(press(124, modifier::kControl | modifier::kOption));
    EXPECT_EQ(frame(), kRightHalf);
}

TEST_F(HotkeyRegistrationTest, ANewStoredShortcutReplacesTheOldOne) {
    launch();
    ASSERT_EQ(runCommand({"set", "LeftShortcut", "ctrl+alt+super+h"}), 0);
    EXPECT_EQ(stored("LeftShortcut"), Shortcut(4, 0x1C0000));

    EXPECT_FALSE(press(123, modifier::kControl | modifier::kOption));
    EXPECT_EQ(frame(), kStart);
    EXPECT_TRUE(press(4, 0x1C0000));
    EXPECT_EQ(frame(), kLeftHalf);
}

TEST_F(HotkeyRegistrationTest, RestoreDefaultsBringsEveryDefaultBack) {
    launch();
    runCommand({"set", "LeftShortcut", "ctrl+alt+super+h"});
    runCommand({"set", "right", "ctrl+alt+super+j"});
    runCommand({"clear", "SplitViewShortcut"});
    store().setObject("TopShortcut", SettingsValue(int64_t{3}));
    EXPECT_FALSE(store().objectForKey("SplitViewShortcut"));

    app->restoreDefaults();
    for (const ActionInfo& info : kActions) {
        Shortcut def(info.defaultKeyCode, info.defaultModifierFlags);
        EXPECT_EQ(stored(info.settingsKey), def) << info.settingsKey;
        EXPECT_TRUE(hotKeys.isRegistered(def.carbonKeyCode(), def.carbonFlags())) << info.settingsKey;
    }
    EXPECT_EQ(hotKeys.registrations().size(), 29u);
    EXPECT_FALSE(press(4, 0x1C0000));
    EXPECT_TRUE(press(123, modifier::kControl | modifier::kOption));
    EXPECT_EQ(frame(), kLeftHalf);
}

TEST_F(HotkeyRegistrationTest, ClearedKeyGetsItsDefaultAtTheNextLaunch) {
    launch();
    runCommand({"clear", "LeftShortcut"});
    EXPECT_FALSE(press(123, modifier::kControl | modifier::kOption));
    EXPECT_EQ(app->shortCutWithKey("LeftShortcut"), std::nullopt);

    app->deactivateHotkeys();  // unregisters everything, keeps the store, stops following it
    EXPECT_TRUE(hotKeys.registrations().empty());
    EXPECT_EQ(store().keys().size(), 29u);  // 28 shortcuts and the switch
    runCommand({"set", "RightShortcut", "ctrl+alt+super+h"});
    EXPECT_TRUE(hotKeys.registrations().empty());
    app = std::make_unique<AppDelegate>(platform);
    launch();
    EXPECT_EQ(stored("LeftShortcut"), Shortcut(123, modifier::kControl | modifier::kOption));
    EXPECT_TRUE(press(123, modifier::kControl | modifier::kOption));
    EXPECT_EQ(frame(), kLeftHalf);
}

TEST_F(HotkeyRegistrationTest, ARefusedDefaultLeavesTheOthersWorking) {
    hotKeys.refuse(123, kCarbonControlKey | kCarbonOptionKey);
    launch();
    EXPECT_EQ(hotKeys.registrations().size(), 28u);
    EXPECT_TRUE(press(124, modifier::kControl | modifier::kOption));
    EXPECT_EQ(frame(), kRightHalf);
}

}  // namespace
}  // namespace tilvane
