// Start-up and termination on the simulated desktop: the first-launch
// settings, the hot keys bound at start-up and released at the end.

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "platform/plist/keyed_archiver.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_hot_keys.h"
#include "platform/sim/sim_keyboard.h"
#include "platform/sim/sim_user_interface.h"

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

// At run time an emptied or deleted settings file switched every hot key off
// until a restart, though a restart with the same file brought the defaults.
TEST_F(LifecycleTest, AnEmptiedOrDeletedSettingsFileBringsBackTheDefaults) {
    using namespace std::chrono_literals;
    AppDelegate app(platform);
    app.applicationDidFinishLaunching();
    const auto startUp = store().userDomain();
    auto emptyTheFile = [&] {
        for (const auto& key : store().keys()) store().removeObject(key);
        desktop.runLoop().runUntilIdle();
    };
    const size_t logged = desktop.logLines().size();

    emptyTheFile();
    EXPECT_TRUE(hotKeys.registrations().empty());
    desktop.runLoop().advance(1s);
    EXPECT_EQ(store().userDomain(), startUp);
    EXPECT_EQ(hotKeys.registrations().size(), kActions.size());
    ASSERT_EQ(desktop.logLines().size(), logged + 1);
    EXPECT_NE(desktop.logLines().back().find("emptied or removed"), std::string::npos);

    // What a command or an editor puts in a new file meanwhile stays; the rest is filled in.
    emptyTheFile();
    desktop.runLoop().advance(100ms);
    store().setBool("HideDocIcon", true);
    store().setObject("LeftShortcut", SettingsValue("not a shortcut"));
    desktop.runLoop().advance(1s);
    auto expected = startUp;
    expected["HideDocIcon"] = true;
    expected["LeftShortcut"] = "not a shortcut";
    EXPECT_EQ(store().userDomain(), expected);
    EXPECT_EQ(desktop.logLines().size(), logged + 2);

    // Deleting one key is not emptying the file.
    store().removeObject("RightShortcut");
    desktop.runLoop().advance(1s);
    EXPECT_FALSE(store().objectForKey("RightShortcut"));

    // Once the program has ended, nothing comes back.
    app.applicationWillTerminate();
    emptyTheFile();
    desktop.runLoop().advance(1s);
    EXPECT_TRUE(store().keys().empty());
}

// The hot-key service, noting each registration in the journal.
class JournalledHotKeys : public sim::SimHotKeyService {
public:
    explicit JournalledHotKeys(sim::Journal& journal) : journal_(journal) {}
    OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                 EventHotKeyRef& outRef) override {
        journal_.push_back("registerHotKey");
        return SimHotKeyService::registerEventHotKey(keyCode, modifiers, id, outRef);
    }

private:
    sim::Journal& journal_;
};

TEST_F(LifecycleTest, StartUpRunsInOrder) {
    sim::Journal journal;
    sim::SimUserInterface ui(&journal);
    sim::SimSupport support(&journal);
    JournalledHotKeys journalledHotKeys(journal);
    platform.userInterface = &ui;
    platform.supportKit = &support;
    platform.updater = &support;
    platform.hotKeys = &journalledHotKeys;
    store().addObserver([&](const std::string& key) { journal.push_back("write " + key); });

    AppDelegate app(platform);
    app.applicationDidFinishLaunching();

    sim::Journal expected{"sendTrackingReport",
                          "setupIssuesController 1",
                          "setActivationPolicy 0",
                          "write EnableShotcuts",
                          "write WMoveSizeEnabledBrigToFront",
                          "write WindowMovingEnabled",
                          "write WindowResizingEnabled",
                          "setDelegate",
                          "setFeedURL none",
                          "setAutomaticallyChecksForUpdates 0",
                          "checkForUpdatesInBackground",
                          "setAutomaticallyChecksForUpdates 1",
                          "checkForUpdatesInBackground"};
    for (int64_t code : kRegistrationOrder)
        expected.push_back("write " + std::string(actionForCode(code)->settingsKey));
    for (size_t i = 0; i < kRegistrationOrder.size(); ++i) expected.push_back("registerHotKey");
    for (const char* line : {"statusItem", "sendTrackingReport", "setupIssuesController 1"}) expected.push_back(line);
    EXPECT_EQ(journal, expected);
}

TEST_F(LifecycleTest, TheUpdaterFeedAndTheTaskbarPolicyFollowTheSettings) {
    struct Row {
        std::optional<bool> beta;
        std::optional<std::string> feed;
        bool hideDocIcon;
        std::vector<std::string> updaterCalls;  // from setFeedURL on
        std::string policy;
    } rows[] = {
        {std::nullopt, std::nullopt, false, {"setFeedURL none"}, "setActivationPolicy 0"},
        {false, "https://example.org/feed", false, {"setFeedURL https://example.org/feed"}, "setActivationPolicy 0"},
        {true,
         std::nullopt,
         true,
         {"setFeedURL " + std::string(kBetaFeedURL), "setUpdateCheckInterval 43200"},
         "setActivationPolicy 1"},
        {true,
         "https://example.org/feed",
         true,
         {"setFeedURL " + std::string(kBetaFeedURL), "setUpdateCheckInterval 43200"},
         "setActivationPolicy 1"},
    };
    for (const auto& row : rows) {
        sim::MemorySettingsStore settings;
        if (row.beta) settings.setBool("SUUpdaterChecksForBetaUpdates", *row.beta);
        if (row.feed) settings.setObject("SUFeedURL", *row.feed);
        settings.setBool("HideDocIcon", row.hideDocIcon);
        sim::Journal journal;
        sim::SimUserInterface ui(&journal);
        sim::SimSupport support(&journal);
        Platform p = platform;
        p.settings = &settings;
        p.userInterface = &ui;
        p.updater = &support;
        AppDelegate app(p);
        app.applicationDidFinishLaunching();
        app.applicationWillTerminate();

        EXPECT_EQ(journal[0], row.policy);
        std::vector<std::string> updater;
        for (const auto& line : journal)
            if (line.rfind("setFeedURL", 0) == 0 || line.rfind("setUpdateCheckInterval", 0) == 0)
                updater.push_back(line);
        EXPECT_EQ(updater, row.updaterCalls) << row.feed.value_or("no feed");
    }
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
