// Start-up and termination on the simulated desktop: the first-launch
// settings, the hot keys bound at start-up and released at the end, and the
// defaults brought back when the settings are emptied.

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "app/sim_application.h"
#include "shortcuts/shortcut.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;

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

constexpr uint32_t kLeftArrow = 123, kControlOption = kCarbonControlKey | kCarbonOptionKey;

class LifecycleTest : public testing::Test, protected SimApplication<sim::SimUserInterface> {
protected:
    LifecycleTest() {
        platform.hotKeys = &keys;
        platform.supportKit = &support;
        platform.updater = &support;
    }
    void start() {
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
    }
    sim::MemorySettingsStore& store() { return desktop.settings(); }

    JournalledHotKeys keys{journal};
    sim::SimSupport support{&journal};
    std::unique_ptr<AppDelegate> app;
};

// The defaults are stored before the hot keys are bound to them, and every
// action gets its default shortcut.
TEST_F(LifecycleTest, AFirstLaunchRunsInOrderAndStoresEveryDefault) {
    store().addObserver([&](const std::string& key) { journal.push_back("write " + key); });
    start();
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
    expected.insert(expected.end(), kRegistrationOrder.size(), "registerHotKey");
    for (const char* line : {"statusItem", "sendTrackingReport", "setupIssuesController 1"}) expected.push_back(line);
    EXPECT_EQ(journal, expected);

    EXPECT_EQ(store().objectForKey("EnableShotcuts"), SettingsValue(true));
    for (const char* key : {"WMoveSizeEnabledBrigToFront", "WindowMovingEnabled", "WindowResizingEnabled"})
        EXPECT_EQ(store().objectForKey(key), SettingsValue(false)) << key;
    for (const auto& action : kActions)
        EXPECT_EQ(app->shortCutWithKey(std::string(action.settingsKey)),
                  Shortcut(action.defaultKeyCode, action.defaultModifierFlags))
            << action.name;
    app->applicationWillTerminate();
    EXPECT_TRUE(keys.registrations().empty());
}

TEST_F(LifecycleTest, ValuesAlreadyStoredStayEvenWhenTheyAreNoShortcut) {
    const Shortcut commandA(0, modifier::kCommand);
    store().setBool("EnableShotcuts", false);
    store().setBool("WindowMovingEnabled", true);
    store().setObject("LeftShortcut", SettingsValue(archiveShortcut(archiver, commandA)));
    store().setObject("TopShortcut", SettingsValue("not a shortcut"));
    start();
    EXPECT_EQ(store().objectForKey("EnableShotcuts"), SettingsValue(false));
    EXPECT_EQ(store().objectForKey("WindowMovingEnabled"), SettingsValue(true));
    EXPECT_EQ(store().objectForKey("WindowResizingEnabled"), SettingsValue(false));
    EXPECT_EQ(app->shortCutWithKey("LeftShortcut"), commandA);
    EXPECT_EQ(store().stringForKey("TopShortcut"), "not a shortcut");
    EXPECT_EQ(app->shortCutWithKey("TopShortcut"), std::nullopt);
}

// A cleared shortcut stays cleared while the program runs; the next start brings its default.
TEST_F(LifecycleTest, AClearedShortcutGetsItsDefaultAtTheNextStart) {
    start();
    store().removeObject("LeftShortcut");
    desktop.runLoop().advance(1s);
    EXPECT_FALSE(store().objectForKey("LeftShortcut"));
    EXPECT_FALSE(keys.isRegistered(kLeftArrow, kControlOption));
    app->applicationWillTerminate();
    store().setObject("RightShortcut", SettingsValue(archiveShortcut(archiver, Shortcut(4, modifier::kCommand))));
    EXPECT_TRUE(keys.registrations().empty()) << "an ended program follows the settings no more";
    start();
    EXPECT_EQ(app->shortCutWithKey("LeftShortcut"), Shortcut(123, modifier::kControl | modifier::kOption));
    EXPECT_TRUE(keys.isRegistered(kLeftArrow, kControlOption));
}

// At run time an emptied or deleted settings file switched every hot key off
// until a restart, though a restart with the same file brought the defaults.
TEST_F(LifecycleTest, AnEmptiedOrDeletedSettingsFileBringsBackTheDefaults) {
    start();
    const auto startUp = store().userDomain();
    auto emptyTheFile = [&] {
        for (const auto& key : store().keys()) store().removeObject(key);
        desktop.runLoop().runUntilIdle();
    };
    const size_t logged = desktop.logLines().size();

    emptyTheFile();
    EXPECT_TRUE(keys.registrations().empty());
    desktop.runLoop().advance(1s);
    EXPECT_EQ(store().userDomain(), startUp);
    EXPECT_EQ(keys.registrations().size(), kActions.size());
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

    // Once the program has ended, nothing comes back.
    app->applicationWillTerminate();
    emptyTheFile();
    desktop.runLoop().advance(1s);
    EXPECT_TRUE(store().keys().empty());
}

TEST_F(LifecycleTest, TheUpdaterFeedAndTheTaskbarPolicyFollowTheSettings) {
    const std::string beta = "setFeedURL " + std::string(kBetaFeedURL);
    const struct {
        std::optional<bool> beta;
        std::optional<std::string> feed;
        bool hideDocIcon;
        std::vector<std::string> updaterCalls;  // from setFeedURL on
    } rows[] = {
        {std::nullopt, std::nullopt, false, {"setFeedURL none"}},
        {false, "https://example.org/feed", false, {"setFeedURL https://example.org/feed"}},
        {true, std::nullopt, true, {beta, "setUpdateCheckInterval 43200"}},
        {true, "https://example.org/feed", true, {beta, "setUpdateCheckInterval 43200"}},
    };
    for (const auto& row : rows) {
        for (const auto& key : store().keys()) store().removeObject(key);
        if (row.beta) store().setBool("SUUpdaterChecksForBetaUpdates", *row.beta);
        if (row.feed) store().setObject("SUFeedURL", *row.feed);
        store().setBool("HideDocIcon", row.hideDocIcon);
        journal.clear();
        start();
        app->applicationWillTerminate();
        EXPECT_EQ(journal[2], row.hideDocIcon ? "setActivationPolicy 1" : "setActivationPolicy 0");
        std::vector<std::string> updater;
        for (const auto& line : journal)
            if (line.rfind("setFeedURL", 0) == 0 || line.rfind("setUpdateCheckInterval", 0) == 0)
                updater.push_back(line);
        EXPECT_EQ(updater, row.updaterCalls) << row.feed.value_or("no feed");
    }
}

}  // namespace
}  // namespace tilvane
