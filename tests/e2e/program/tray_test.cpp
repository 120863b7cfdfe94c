// The desktop application on a private desktop with a real system tray host
// (trayer, XEmbed): the icon docks, a click opens the menu, the menu's
// entries act on the window that had the focus, and Quit ends the program
// with every grab let go.

#include "program/tray_test.h"

namespace tilvane::e2e {
namespace {

using namespace key;
using namespace primary;

TEST_F(TrayTest, DisableShortcutsStopsTheHotKeysWhileTheMenuStillActs) {
    startTray();
    startTilvane({});
    auto window = desktop().openWindow("switched");
    x().placeFrame(window.id, kStart);
    openMenu();
    choose(kMenuSwitch);
    EXPECT_TRUE(settingsBecome([&] { return read("EnableShotcuts") == "0\n"; }));

    pressAndSettle(kDefaultRight);
    EXPECT_EQ(frame(window.id), kStart);
    openMenu();
    choose(kMenuLeft);
    expectFrameReaches(window.id, kLeftHalf);

    openMenu();
    choose(kMenuSwitch);
    EXPECT_TRUE(pressUntil(kDefaultRight, window.id, kRightHalf));
}

TEST_F(TrayTest, QuitEndsWithStatusZeroAndLetsGoOfEveryGrab) {
    startTray();
    startTilvane({});
    EXPECT_FALSE(x().keyIsFree(kLeft, kXControlAlt));
    openMenu();
    choose(kMenuQuit);
    EXPECT_EQ(tilvane_->wait(), 0);
    EXPECT_TRUE(x().keyIsFree(kLeft, kXControlAlt));
}

TEST_F(TrayTest, WithoutATrayTheHotKeysActAndATrayStartedLaterGetsTheIcon) {
    startTilvane({});
    auto window = desktop().openWindow("no tray");
    x().placeFrame(window.id, kStart);
    EXPECT_TRUE(pressAndWaitFor(kDefaultLeft, window.id, kLeftHalf));
    EXPECT_NE(tilvane_->log().find("no system tray"), std::string::npos);

    startTray();
    EXPECT_TRUE(x().waitUntil([&] { return embeddedIcon().has_value(); }, 20s));
}

}  // namespace
}  // namespace tilvane::e2e
