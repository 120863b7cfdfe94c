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
        window = desktop.addWindow(42, {100, 100, 800, 600}).id;
        desktop.focus(window);
        platform.supportKit = &support;
        platform.updater = &support;
        registerMenuImages(ui);
    }
    void start() {
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
    }
    sim::SimMenu& menu() { return *ui.menu(0); }
    // The user opens the menu.
    sim::SimMenu& open() {
        menu().open();
        return menu();
    }
    void store(const std::string& key, Shortcut shortcut) {
        desktop.settings().setObject(key, SettingsValue(archiveShortcut(archiver, shortcut)));
    }

    sim::SimSupport support{&journal};
    uint64_t window = 0;
    std::unique_ptr<AppDelegate> app;
};

TEST_F(StatusMenuTest, EntriesInOrderWithTagsImagesAndSeparators) {
    start();
    std::vector<std::string> shown;
    for (auto* item : menu().items()) {
        if (item->isSeparatorItem()) {
            shown.push_back("-");
            continue;
        }
        std::string line = item->title();
        if (item->tag()) line.append(" ").append(std::to_string(item->tag())).append(" ").append(item->imageName());
        shown.push_back(line);
    }
    std::vector<std::string> expected{".enable.",
                                      "-",
                                      "Split View 1000 split",
                                      "-",
                                      "Left 120 left",
                                      "Right 150 right",
                                      "Up 170 top",
                                      "Down 180 bottom",
                                      "-",
                                      "Top Left 100 top-left",
                                      "Top Right 140 top-right",
                                      "Bottom Left 130 bottom-left",
                                      "Bottom Right 160 bottom-right",
                                      "-",
                                      "Center 200 \xD1\x81"
                                      "enter",
                                      "Center Left 210 center-left",
                                      "Center Right 220 center-right",
                                      "Maximize 190 maximaze",
                                      "-",
                                      "Left 1/3 230 leftV-13",
                                      "Center 1/3 240 centerV-13",
                                      "Right 1/3 250 rightV-13",
                                      "-",
                                      "Top 1/3 260 topH-13",
                                      "Center 1/3 270 centerH-13",
                                      "Bottom 1/3 280 bottomH-13",
                                      "-",
                                      "Increase 290 plus",
                                      "Reduce 300 minus",
                                      "-",
                                      "Next Display 350 display-next",
                                      "Prev Display 360 display-prev",
                                      "-",
                                      "Next Space 370 space-next",
                                      "Prev Space 380 space-prev",
                                      "-",
                                      "Preferences...",
                                      "-",
                                      "Check for Updates...",
                                      "-",
                                      "About Tilvane",
                                      "Contact Support",
                                      "-",
                                      "Quit"};
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(menu().autoenablesItems());
    for (auto* item : menu().items()) {
        if (item->isSeparatorItem() || !item->tag()) continue;
        EXPECT_TRUE(static_cast<sim::SimMenuItem*>(item)->imageIsTemplate()) << item->title();
        EXPECT_TRUE(ui.images().count(item->imageName())) << "no picture for " << item->imageName();
    }
    EXPECT_EQ(app->moveLeftItem, menu().itemTagged(120));
    EXPECT_EQ(app->centerH13RightItem, menu().itemTagged(270));
    EXPECT_EQ(app->preferencesMenuItem, menu().itemTitled("Preferences..."));
}

TEST_F(StatusMenuTest, TheStatusItemShowsTheSplitPictureAndOpensTheMenu) {
    struct Row {
        double kitVersion;
        bool isTemplate;
    } rows[] = {{1265.9, false}, {1266, true}, {2299, true}};
    for (const auto& row : rows) {
        ui.setInterfaceKitVersionNumber(row.kitVersion);
        start();
        auto* item = ui.statusItem();
        ASSERT_TRUE(item);
        EXPECT_EQ(item->length(), StatusItem::kVariableLength);
        EXPECT_EQ(item->image(), "split");
        EXPECT_EQ(item->imageIsTemplate(), row.isTemplate) << row.kitVersion;
        EXPECT_TRUE(item->highlightMode());
        EXPECT_EQ(item->menu(), app->theMenu.get());
        app->applicationWillTerminate();
    }
}

TEST_F(StatusMenuTest, TheSwitchFollowsTheSettingEachTimeTheMenuOpens) {
    struct Row {
        std::optional<bool> enabled;
        std::string appearance;
        std::string title;
        NamedColor color;
    } rows[] = {
        {true, "NSAppearanceNameAqua", "Disable Shortcuts", NamedColor::Black},
        {false, "NSAppearanceNameAqua", "Enable Shortcuts", NamedColor::Red},
        {true, "NSAppearanceNameVibrantDark", "Disable Shortcuts", NamedColor::White},
        {false, "NSAppearanceNameVibrantDark", "Enable Shortcuts", NamedColor::Red},
    };
    start();
    EXPECT_EQ(app->enableShotcustItem->title(), ".enable.");
    for (const auto& row : rows) {
        desktop.settings().setBool("EnableShotcuts", *row.enabled);
        ui.setAppearanceName(row.appearance);
        open();
        EXPECT_EQ(app->enableShotcustItem->title(), row.title);
        EXPECT_EQ(app->enableShotcustItem->attributedTitle(), (AttributedTitle{row.title, {true, 14, row.color}}));
        bool dark = row.appearance.find("Dark") != std::string::npos;
        NamedColor preferences = dark ? NamedColor::White : NamedColor::Black;
        EXPECT_EQ(app->preferencesMenuItem->attributedTitle(),
                  (AttributedTitle{"Preferences...", {true, 14, preferences}}));
    }
    // An absent switch reads as off.
    desktop.settings().removeObject("EnableShotcuts");
    ui.setAppearanceName("NSAppearanceNameAqua");
    open();
    EXPECT_EQ(app->enableShotcustItem->title(), "Enable Shortcuts");
}

TEST_F(StatusMenuTest, ChoosingTheSwitchTurnsHotKeysOffWhileMenuActionsStillAct) {
    start();
    open().itemTitled("Disable Shortcuts")->choose();
    EXPECT_EQ(desktop.settings().objectForKey("EnableShotcuts"), SettingsValue(false));
    EXPECT_EQ(app->enableShotcustItem->title(), "Disable Shortcuts");  // until the next opening
    EXPECT_EQ(open().item(0).title(), "Enable Shortcuts");

    EXPECT_TRUE(hotKeys.press(123, kCarbonControlKey | kCarbonOptionKey));
    desktop.runLoop().runUntilIdle();
    EXPECT_TRUE(desktop.writes().empty());
    menu().itemTitled("Left")->choose();
    EXPECT_EQ(desktop.window(window).frame, (Rect{0, 0, 720, 900}));

    open().itemTitled("Enable Shortcuts")->choose();
    EXPECT_EQ(desktop.settings().objectForKey("EnableShotcuts"), SettingsValue(true));
}

TEST_F(StatusMenuTest, KeyEquivalentsFollowTheStoredShortcutsAndAClearedOneClears) {
    start();
    open();
    EXPECT_EQ(app->moveLeftItem->keyEquivalent(), "\u2190");
    EXPECT_EQ(app->moveLeftItem->keyEquivalentModifierMask(), modifier::kControl | modifier::kOption);
    // The two "Center 1/3" entries: different pictures and shortcuts (Ctrl+Alt+Super+2 and +5).
    EXPECT_EQ(app->centerV13Item->title(), app->centerH13RightItem->title());
    EXPECT_NE(app->centerV13Item->imageName(), app->centerH13RightItem->imageName());
    EXPECT_EQ(app->centerV13Item->keyEquivalent(), "2");
    EXPECT_EQ(app->centerH13RightItem->keyEquivalent(), "5");

    store("LeftShortcut", Shortcut(4, modifier::kControl | modifier::kCommand));  // Ctrl+Super+H
    EXPECT_EQ(app->moveLeftItem->keyEquivalent(), "\u2190");                      // not before the menu opens
    open();
    EXPECT_EQ(app->moveLeftItem->keyEquivalent(), "h");
    EXPECT_EQ(app->moveLeftItem->keyEquivalentModifierMask(), modifier::kControl | modifier::kCommand);

    desktop.settings().removeObject("LeftShortcut");
    open();
    EXPECT_EQ(app->moveLeftItem->keyEquivalent(), "");
    EXPECT_EQ(app->moveLeftItem->keyEquivalentModifierMask(), 0u);
}

TEST_F(StatusMenuTest, EveryItemIsEnabledEvenWithoutAFocusedWindow) {
    start();
    desktop.clearFocus();
    for (auto* item : open().items()) EXPECT_TRUE(item->isEnabled()) << item->title();
}

TEST_F(StatusMenuTest, TheProgramsEntries) {
    start();
    journal.clear();
    open().itemTitled("About Tilvane")->choose();
    open().itemTitled("Check for Updates...")->choose();
    open().itemTitled("Contact Support")->choose();
    open().itemTitled("Quit")->choose();
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
