// The desktop application on a private desktop with a real system tray host
// (trayer, XEmbed): the icon docks, a click opens the menu, the menu's
// entries act, and Quit ends the program with every grab let go.

#include "program/tray_test.h"

namespace tilvane::e2e {
namespace {

TEST_F(TrayTest, TheIconDocksAndAClickOpensTheMenu) {
    startTray();
    startApplication();
    openMenu("tray-menu.png");
    x().pressChord({0x35});  // Escape
    EXPECT_TRUE(x().waitUntil([&] { return !openMenuWindow().has_value(); }));
}

TEST_F(TrayTest, LeftFromTheMenuPlacesTheWindowThatHadTheFocus) {
    startTray();
    startApplication();
    auto window = desktop().openWindow("focused");
    x().placeFrame(window.id, {1600, 200, 700, 500});
    openMenu();
    choose(kLeft);
    expectFrameReaches(window.id, pixelRect({1440, 0, 960, 1040}));
}

TEST_F(TrayTest, DisableShortcutsStopsTheHotKeysWhileTheMenuStillActs) {
    startTray();
    startApplication();
    auto window = desktop().openWindow("switched");
    x().placeFrame(window.id, {1600, 200, 700, 500});
    openMenu();
    choose(kSwitch);
    std::string output;
    ASSERT_EQ(tilvane({"defaults", "read", "EnableShotcuts"}, &output), 0);
    EXPECT_EQ(output, "0\n");

    pressAndSettle({key::kControl, key::kOption, key::kRight});
    EXPECT_EQ(frame(window.id), (Rect{1600, 200, 700, 500}));
    openMenu("tray-menu-shortcuts-off.png");
    choose(kLeft);
    expectFrameReaches(window.id, pixelRect({1440, 0, 960, 1040}));

    openMenu();
    choose(kSwitch);
    EXPECT_TRUE(
        pressAndWaitFor({key::kControl, key::kOption, key::kRight}, window.id, pixelRect({2400, 0, 960, 1040})));
}

TEST_F(TrayTest, QuitEndsWithStatusZeroAndLetsGoOfEveryGrab) {
    startTray();
    startApplication();
    EXPECT_FALSE(x().grabKey(key::kLeft, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    openMenu();
    for (int i = 0; i < 1; ++i) x().pressChord({key::kUp});  // from the top, up wraps to Quit
    x().pressChord({kReturn});
    EXPECT_EQ(tilvane_->wait(), 0) << tilvane_->log();
    EXPECT_TRUE(x().grabKey(key::kLeft, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    x().ungrabKey(key::kLeft, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
}

TEST_F(TrayTest, WithoutATrayTheHotKeysActAndATrayStartedLaterGetsTheIcon) {
    startApplication();
    auto window = desktop().openWindow("no tray");
    x().placeFrame(window.id, {1600, 200, 700, 500});
    EXPECT_TRUE(pressAndWaitFor({key::kControl, key::kOption, key::kLeft}, window.id, pixelRect({1440, 0, 960, 1040})));
    EXPECT_NE(tilvane_->log().find("no system tray"), std::string::npos) << tilvane_->log();

    startTray();
    EXPECT_TRUE(x().waitUntil([&] { return embeddedIcon().has_value(); }, 20s)) << tilvane_->log();
}

TEST_F(TrayTest, TerminationEndsWithStatusZero) {
    startApplication();
    tilvane_->signal(SIGTERM);
    EXPECT_EQ(tilvane_->wait(), 0) << tilvane_->log();
}

}  // namespace
}  // namespace tilvane::e2e
