// The application on the simulated desktop: start-up and termination, the
// first-launch settings, the defaults brought back when the settings are
// emptied, and the status menu with its refresh each time it opens.

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "app/menu_images.h"
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

// One focused window; the support services and the hot keys note what they are asked in the journal.
class Application : public testing::Test, protected SimApplication<sim::SimUserInterface> {
protected:
    Application() {
        desktop.focus(desktop.addWindow(42, {100, 100, 800, 600}).id);
        platform.hotKeys = &keys;
        platform.supportKit = &support;
        platform.updater = &support;
        registerMenuImages(ui);
        journal.clear();
    }
    void start() {
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
    }
    sim::MemorySettingsStore& store() { return desktop.settings(); }
    // The user opens the menu.
    sim::SimMenu& open() {
        ui.menu(0)->open();
        return *ui.menu(0);
    }

    JournalledHotKeys keys{journal};
    sim::SimSupport support{&journal};
    std::unique_ptr<AppDelegate> app;
};
class LifecycleTest : public Application {};
class StatusMenuTest : public Application {};

// The defaults are stored before the hot keys are bound to them, and the
// status item comes once they are; every action gets its default shortcut.
TEST_F(LifecycleTest, AFirstLaunchRunsInOrderAndStoresEveryDefault) {
    store().addObserver([&](const std::string& key) { journal.push_back("write " + key); });
    start();
    auto first = [&](const std::string& line) {
        return std::find(journal.begin(), journal.end(), line) - journal.begin();
    };
    EXPECT_LT(first("setActivationPolicy 0"), first("write EnableShotcuts"));
    EXPECT_LT(first("write EnableShotcuts"), first("setFeedURL none"));
    for (const auto& action : kActions)
        EXPECT_LT(first("write " + std::string(action.settingsKey)), first("registerHotKey")) << action.name;
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "registerHotKey"), long(kActions.size()));
    EXPECT_EQ(journal.rend() - std::find(journal.rbegin(), journal.rend(), "registerHotKey"), first("statusItem"));

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
    store().setBool("HideDocIcon", true);
    start();
    EXPECT_EQ(ui.activationPolicy(), UserInterface::ActivationPolicy::Accessory) << "no taskbar entry";
    EXPECT_EQ(store().objectForKey("EnableShotcuts"), SettingsValue(false));
    EXPECT_EQ(store().objectForKey("WindowMovingEnabled"), SettingsValue(true));
    EXPECT_EQ(app->shortCutWithKey("LeftShortcut"), commandA);
    EXPECT_EQ(store().stringForKey("TopShortcut"), "not a shortcut");
    EXPECT_EQ(app->shortCutWithKey("TopShortcut"), std::nullopt);
}

// A cleared shortcut stays cleared while the program runs (a first launch brings the defaults of those absent).
TEST_F(LifecycleTest, AClearedShortcutStaysClearedWhileTheProgramRuns) {
    start();
    store().removeObject("LeftShortcut");
    desktop.runLoop().advance(1s);
    EXPECT_FALSE(store().objectForKey("LeftShortcut"));
    EXPECT_FALSE(keys.isRegistered(kLeftArrow, kControlOption));
    app->applicationWillTerminate();
    store().setObject("RightShortcut", SettingsValue(archiveShortcut(archiver, Shortcut(4, modifier::kCommand))));
    EXPECT_TRUE(keys.registrations().empty()) << "an ended program follows the settings no more";
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
    // Stored by a command, and not yet heard of when the grace is over.
    store().storeElsewhere("RightShortcut", SettingsValue("a command's"));
    desktop.runLoop().advance(1s);
    auto expected = startUp;
    expected["HideDocIcon"] = true;
    expected["LeftShortcut"] = "not a shortcut";
    expected["RightShortcut"] = "a command's";
    EXPECT_EQ(store().userDomain(), expected);
    EXPECT_EQ(desktop.logLines().size(), logged + 2);

    // Once the program has ended, nothing comes back.
    app->applicationWillTerminate();
    emptyTheFile();
    desktop.runLoop().advance(1s);
    EXPECT_TRUE(store().keys().empty());
}

TEST_F(StatusMenuTest, EveryActionOfTheMenuHasItsItemAndPictureAndIsEnabledEvenWithoutAFocusedWindow) {
    start();
    desktop.clearFocus();
    ASSERT_TRUE(ui.statusItem());
    EXPECT_EQ(ui.statusItem()->image(), "split");
    EXPECT_EQ(ui.statusItem()->menu(), app->theMenu());
    for (const auto& action : kActions) {
        if (action.menuTitle.empty()) continue;
        auto* item = open().itemTagged(action.code);
        ASSERT_TRUE(item) << action.name;
        EXPECT_EQ(item->title(), action.menuTitle);
        EXPECT_EQ(item->imageName(), action.imageName);
        EXPECT_TRUE(item->imageIsTemplate()) << action.name;
        EXPECT_TRUE(ui.images().count(item->imageName())) << "no picture for " << action.name;
    }
    for (auto* item : open().items()) EXPECT_TRUE(item->isEnabled()) << item->title();
}

TEST_F(StatusMenuTest, TheSwitchFollowsTheSettingEachTimeTheMenuOpens) {
    const struct {
        std::optional<bool> enabled;  // none: absent, which reads as off
        const char* appearance;
        std::string title;
        NamedColor color, preferences;
    } rows[] = {
        {true, "NSAppearanceNameAqua", "Disable Shortcuts", NamedColor::Black, NamedColor::Black},
        {false, "NSAppearanceNameAqua", "Enable Shortcuts", NamedColor::Red, NamedColor::Black},
        {true, "NSAppearanceNameVibrantDark", "Disable Shortcuts", NamedColor::White, NamedColor::White},
        {std::nullopt, "NSAppearanceNameAqua", "Enable Shortcuts", NamedColor::Red, NamedColor::Black},
    };
    start();
    for (const auto& row : rows) {
        if (row.enabled)
            desktop.settings().setBool("EnableShotcuts", *row.enabled);
        else
            desktop.settings().removeObject("EnableShotcuts");
        ui.setAppearanceName(row.appearance);
        open();
        EXPECT_EQ(app->enableShotcustItem()->attributedTitle(), (AttributedTitle{row.title, {true, 14, row.color}}));
        EXPECT_EQ(app->preferencesMenuItem()->attributedTitle(),
                  (AttributedTitle{"Preferences...", {true, 14, row.preferences}}));
    }
    open().itemTitled("Enable Shortcuts")->choose();
    EXPECT_EQ(desktop.settings().objectForKey("EnableShotcuts"), SettingsValue(true));
    EXPECT_EQ(app->enableShotcustItem()->title(), "Enable Shortcuts");  // until the next opening
}

TEST_F(StatusMenuTest, TheProgramsEntries) {
    start();
    journal.clear();
    for (const char* title : {"About Tilvane", "Check for Updates...", "Contact Support", "Quit"})
        open().itemTitled(title)->choose();
    EXPECT_EQ(journal, (sim::Journal{"about", "activate", "activate", "checkForUpdates", "activate",
                                     "showFeedbackDialog 0", "terminate"}));
}

// A shortcut another program holds (the window manager's, say) is said once
// at start, with a notification that opens the Shortcuts pane; the menu shows
// it as unavailable until the other program lets go of it.
TEST_F(StatusMenuTest, AShortcutAnotherProgramHoldsIsSaidAndShownUntilItIsFree) {
    keys.refuse(kLeftArrow, kControlOption);
    start();
    ASSERT_EQ(ui.notifications().size(), 1u);
    EXPECT_EQ(ui.notifications()[0].body.find("Right"), std::string::npos)
        << ui.notifications()[0].body;  // Left's only
    open();
    EXPECT_TRUE(app->menuItemForAction(action::kLeft)->keyEquivalentIsUnavailable());
    EXPECT_FALSE(app->menuItemForAction(action::kRight)->keyEquivalentIsUnavailable());

    keys.allow(kLeftArrow, kControlOption);
    open();
    EXPECT_FALSE(app->menuItemForAction(action::kLeft)->keyEquivalentIsUnavailable());
    EXPECT_TRUE(keys.isRegistered(kLeftArrow, kControlOption));

    ui.actOnNotification();
    EXPECT_EQ(desktop.settings().stringForKey("Preferences Selected Identifier View"), "Shortcuts");
    EXPECT_EQ(ui.windowCount(), 1u);
}

}  // namespace
}  // namespace tilvane
