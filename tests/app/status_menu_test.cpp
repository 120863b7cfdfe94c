// The status menu as the program builds it, read back from the recorded user
// interface: its entries, their refresh each time the menu opens, and what
// choosing them does.

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "app/menu_images.h"
#include "app/sim_application.h"
#include "shortcuts/shortcut.h"

namespace tilvane {
namespace {

class StatusMenuTest : public testing::Test, protected SimApplication<sim::SimUserInterface> {
protected:
    StatusMenuTest() {
        desktop.focus(desktop.addWindow(42, {100, 100, 800, 600}).id);
        platform.supportKit = &support;
        platform.updater = &support;
        registerMenuImages(ui);
    }
    void start() {
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
    }
    // The user opens the menu.
    sim::SimMenu& open() {
        ui.menu(0)->open();
        return *ui.menu(0);
    }

    sim::SimSupport support{&journal};
    std::unique_ptr<AppDelegate> app;
};

TEST_F(StatusMenuTest, EveryActionOfTheMenuHasItsItemAndPictureAndIsEnabledEvenWithoutAFocusedWindow) {
    start();
    desktop.clearFocus();
    ASSERT_TRUE(ui.statusItem());
    EXPECT_EQ(ui.statusItem()->image(), "split");
    EXPECT_EQ(ui.statusItem()->menu(), app->theMenu.get());
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
        {false, "NSAppearanceNameVibrantDark", "Enable Shortcuts", NamedColor::Red, NamedColor::White},
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
        EXPECT_EQ(app->enableShotcustItem->attributedTitle(), (AttributedTitle{row.title, {true, 14, row.color}}));
        EXPECT_EQ(app->preferencesMenuItem->attributedTitle(),
                  (AttributedTitle{"Preferences...", {true, 14, row.preferences}}));
    }
    open().itemTitled("Enable Shortcuts")->choose();
    EXPECT_EQ(desktop.settings().objectForKey("EnableShotcuts"), SettingsValue(true));
    EXPECT_EQ(app->enableShotcustItem->title(), "Enable Shortcuts");  // until the next opening
    open().itemTitled("Disable Shortcuts")->choose();
    EXPECT_EQ(desktop.settings().objectForKey("EnableShotcuts"), SettingsValue(false));
}

// Regression: a cleared shortcut left its old key on the item until a restart.
TEST_F(StatusMenuTest, KeyEquivalentsFollowTheStoredShortcutsAndAClearedOneClears) {
    start();
    open();
    EXPECT_EQ(app->moveLeftItem->keyEquivalent(), "\u2190");
    EXPECT_EQ(app->moveLeftItem->keyEquivalentModifierMask(), modifier::kControl | modifier::kOption);
    // The two "Center 1/3" entries: different pictures and shortcuts (Ctrl+Alt+Super+2 and +5).
    EXPECT_EQ(app->centerV13Item->keyEquivalent(), "2");
    EXPECT_EQ(app->centerH13RightItem->keyEquivalent(), "5");

    desktop.settings().setObject(
        "LeftShortcut", SettingsValue(archiveShortcut(archiver, Shortcut(4, modifier::kControl | modifier::kCommand))));
    EXPECT_EQ(app->moveLeftItem->keyEquivalent(), "\u2190");  // not before the menu opens
    open();
    EXPECT_EQ(app->moveLeftItem->keyEquivalent(), "h");
    EXPECT_EQ(app->moveLeftItem->keyEquivalentModifierMask(), modifier::kControl | modifier::kCommand);

    desktop.settings().removeObject("LeftShortcut");
    open();
    EXPECT_EQ(app->moveLeftItem->keyEquivalent(), "");
    EXPECT_EQ(app->moveLeftItem->keyEquivalentModifierMask(), 0u);
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
    constexpr uint32_t kLeftArrow = 123, kControlOption = kCarbonControlKey | kCarbonOptionKey;
    hotKeys.refuse(kLeftArrow, kControlOption);
    start();
    ASSERT_EQ(ui.notifications().size(), 1u);
    EXPECT_NE(ui.notifications()[0].body.find("Left"), std::string::npos) << ui.notifications()[0].body;
    EXPECT_EQ(ui.notifications()[0].body.find("Right"), std::string::npos) << ui.notifications()[0].body;
    open();
    EXPECT_TRUE(app->moveLeftItem->keyEquivalentIsUnavailable());
    EXPECT_FALSE(app->moveRightItem->keyEquivalentIsUnavailable());

    hotKeys.allow(kLeftArrow, kControlOption);
    open();
    EXPECT_FALSE(app->moveLeftItem->keyEquivalentIsUnavailable());
    EXPECT_TRUE(hotKeys.isRegistered(kLeftArrow, kControlOption));

    ui.actOnNotification();
    EXPECT_EQ(desktop.settings().stringForKey("Preferences Selected Identifier View"), "Shortcuts");
    EXPECT_EQ(ui.windowCount(), 1u);
}

}  // namespace
}  // namespace tilvane
