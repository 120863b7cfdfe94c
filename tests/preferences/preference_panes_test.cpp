// The preferences window as the application opens it, on the simulated
// desktop: each pane's controls bound to the settings, the taskbar entry's
// timing, starting at login, the swipe note and the Fn boxes, and the recorders.

#include "preferences/preference_panes.h"

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "app/sim_application.h"
#include "preferences/launch_at_login_controller.h"
#include "preferences/preferences_window_controller.h"

namespace tilvane {
namespace {

std::vector<std::string> recorderOutlets() {
    std::vector<std::string> names;
    for (const auto& [name, action] : recorderOutlets(ActionPane::Shortcuts)) names.push_back(name);
    return names;
}

class PreferencePanesTest : public testing::Test, protected SimApplication<sim::SimUserInterface> {
protected:
    PreferencePanesTest() {
        platform.programPath = "/usr/bin/tilvane";
        // The panes with the controls the tests use; a pane leaves out what its view lacks.
        ui.defineView("GeneralPreferencesView", {{560, 200}, 0, {"hideDocIconCheckbox", "launchAtLoginCheckbox"}, {}});
        ui.defineView("ShortcutsPrefsView", {{560, 380}, 0, {"restoreDefaultsButton"}, recorderOutlets()});
        ui.defineView(
            "MultiTouchPrefsView",
            {{560, 160}, 0, {"enableSwipeGestures", "swipeFn", "swipeShift", "swipeCommand", "noteLabel"}, {}});
        std::vector<std::string> keyMoves;
        for (const auto& [name, action] : recorderOutlets(ActionPane::MoveResize)) keyMoves.push_back(name);
        ui.defineView("MoveResizePrefsView",
                      {{560, 330},
                       0,
                       {"wMoveF", "wSizeF", "wSizeOption", "fourCornerResizing", "bringToFront", "pointerNoteLabel"},
                       keyMoves});
        ui.defineView("SnapPrefsView", {{560, 100}, 0, {"snapToEdgeEnabled", "snapNoteLabel"}, {}});
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
    }
    ~PreferencePanesTest() override { app->applicationWillTerminate(); }

    PreferencesWindowController& controller() { return app->preferencesWindowController(); }
    sim::SimProgramWindow& prefsWindow() { return static_cast<sim::SimProgramWindow&>(controller().window()); }
    sim::SimView& pane(const std::string& identifier) {
        controller().selectControllerWithIdentifier(identifier);
        return static_cast<sim::SimView&>(controller().selectedViewController()->view());
    }
    sim::SimControl& control(const std::string& identifier, const std::string& name) {
        return *pane(identifier).simControl(name);
    }
    ShortcutView* recorderOn(const std::string& identifier, const std::string& outlet) {
        pane(identifier);
        return static_cast<RecorderPane&>(*controller().selectedViewController()).recorder(outlet);
    }
    ShortcutView& recorder(const std::string& outlet) { return *recorderOn("Shortcuts", outlet); }
    // The user clicks the recorder of "Left" and types a combination.
    bool recordForLeft(uint16_t keyCode, uint64_t flags) {
        pane("Shortcuts").simCustomView("leftShortcutView")->click({10, 5});
        return ui.typeKey({EventType::KeyDown, keyCode, flags});
    }
    std::unique_ptr<AppDelegate> app;
};

// The taskbar entry shows at once, and goes only when the pane is no longer shown.
TEST_F(PreferencePanesTest, TheTaskbarEntryShowsAtOnceAndGoesWhenThePaneDisappears) {
    app->showPreferecensPane();
    auto& box = control("GeneralPreferences", "hideDocIconCheckbox");
    const auto regular = UserInterface::ActivationPolicy::Regular,
               accessory = UserInterface::ActivationPolicy::Accessory;
    EXPECT_EQ(ui.activationPolicy(), regular);
    box.click();
    EXPECT_EQ(ui.activationPolicy(), regular);
    controller().selectControllerWithIdentifier("Snap");
    EXPECT_EQ(ui.activationPolicy(), accessory);
    controller().selectControllerWithIdentifier("GeneralPreferences");
    box.click();
    EXPECT_EQ(ui.activationPolicy(), regular);
    box.click();
    prefsWindow().userCloses();  // closing the window makes the pane disappear too
    EXPECT_EQ(ui.activationPolicy(), accessory);
}

// The box follows the login items whoever changes them; a refusal leaves it off.
TEST_F(PreferencePanesTest, StartingAtLoginFollowsTheLoginItems) {
    auto& box = control("GeneralPreferences", "launchAtLoginCheckbox");
    EXPECT_FALSE(box.state());
    box.click();
    const size_t observers = loginItems.observerCount();
    {
        LaunchAtLoginController again(&loginItems, "/usr/bin/tilvane");
        again.setLaunchAtLogin(true);  // on twice: one entry
    }
    EXPECT_EQ(loginItems.observerCount(), observers) << "a controller that goes stops listening";
    ASSERT_EQ(loginItems.snapshot().size(), 1u);
    EXPECT_EQ(loginItems.snapshot()[0].url, "/usr/bin/tilvane");
    loginItems.changeElsewhere({{"other", "/usr/bin/xterm"}});
    EXPECT_FALSE(box.state());
    loginItems.setRefuses(true);
    box.click();
    EXPECT_FALSE(box.state());
}

// The note is red while swipes cannot work. Where the keyboard has no Fn
// (X11), a ticked Fn box would stop the feature for good: the boxes are not
// offered, and Fn alone does not make swipes work.
TEST_F(PreferencePanesTest, TheSwipeNoteAndTheFnBoxes) {
    auto& note = control("MultiTouch", "noteLabel");
    EXPECT_EQ(note.textColor(), NamedColor::Red);  // gestures off
    control("MultiTouch", "enableSwipeGestures").click();
    EXPECT_EQ(note.textColor(), NamedColor::Red);  // on, but no key chosen
    control("MultiTouch", "swipeFn").click();
    EXPECT_EQ(note.textColor(), NamedColor::Black);

    app->applicationWillTerminate();
    keyboard.setHasFunctionModifier(false);
    app = std::make_unique<AppDelegate>(platform);
    app->applicationDidFinishLaunching();
    for (auto [identifier, box] :
         {std::pair{"MultiTouch", "swipeFn"}, {"MoveResize", "wMoveF"}, {"MoveResize", "wSizeF"}})
        EXPECT_TRUE(control(identifier, box).isHidden()) << box;
    EXPECT_FALSE(control("MultiTouch", "swipeShift").isHidden());
    EXPECT_EQ(control("MultiTouch", "noteLabel").textColor(), NamedColor::Red);
}

TEST_F(PreferencePanesTest, EveryKindOfCheckBoxWritesItsKeyAndFollowsChangesMadeElsewhere) {
    const struct {
        const char *pane, *control, *key;
    } rows[] = {
        {"MoveResize", "wSizeOption", "WSizeOption"},
        {"MoveResize", "bringToFront", "WMoveSizeEnabledBrigToFront"},
        {"MultiTouch", "swipeCommand", "SwipeCommand"},
        {"Snap", "snapToEdgeEnabled", "SnapToEdgeEnabled"},
    };
    for (const auto& row : rows) {
        auto& box = control(row.pane, row.control);
        bool before = desktop.settings().boolForKey(row.key);
        box.click();
        EXPECT_EQ(desktop.settings().boolForKey(row.key), !before) << row.key;
        desktop.settings().setBool(row.key, before);
        EXPECT_EQ(box.state(), before) << row.key;
    }
}

// A recorded shortcut is stored and bound at once; Restore Defaults brings
// every recorder's default back, each to the action it is bound to.
TEST_F(PreferencePanesTest, ARecordedShortcutIsStoredAndRestoreDefaultsBringsEveryDefaultBack) {
    const uint64_t controlOptionCommand = modifier::kControl | modifier::kOption | modifier::kCommand;
    EXPECT_FALSE(recordForLeft(4, controlOptionCommand));
    EXPECT_FALSE(recorder("leftShortcutView").isRecording() || ui.keyboardGrabbed());
    EXPECT_EQ(app->shortCutWithKey("LeftShortcut"), Shortcut(4, controlOptionCommand));
    EXPECT_TRUE(hotKeys.isRegistered(4, kCarbonControlKey | kCarbonOptionKey | kCarbonCmdKey));

    control("Shortcuts", "restoreDefaultsButton").click();
    for (const auto& [name, action] : recorderOutlets(ActionPane::Shortcuts)) {
        const ActionInfo* info = actionForCode(action);
        EXPECT_EQ(recorder(name).shortcutValue(), Shortcut(info->defaultKeyCode, info->defaultModifierFlags)) << name;
    }
    EXPECT_EQ(app->shortCutWithKey("LeftShortcut"), Shortcut(123, modifier::kControl | modifier::kOption));
}

// Every action of the table is offered every way the program has: its default
// is stored and its hot key taken and acting, its menu entry (where it has one)
// is tied to it, and a recorder on its pane records it.
TEST_F(PreferencePanesTest, EveryActionHasItsDefaultHotKeyMenuEntryAndRecorder) {
    sim::SimWindow& window = desktop.addWindow(42, {100, 100, 800, 600});
    window.zoomButton = Rect{150, 105, 14, 14};
    desktop.focus(window.id);
    desktop.setSpaces({{30, 0}, {20, 0}, {10, 0}}, 20);
    desktop.settings().setBool("EnableShotcuts", true);
    for (const ActionInfo& action : kActions) {
        SCOPED_TRACE(action.settingsKey);
        const Shortcut shortcut(action.defaultKeyCode, action.defaultModifierFlags);
        EXPECT_EQ(app->shortCutWithKey(std::string(action.settingsKey)), shortcut);
        const size_t acted = desktop.writes().size() + desktop.postedEvents().size();
        EXPECT_TRUE(hotKeys.press(shortcut.carbonKeyCode(), shortcut.carbonFlags()));
        desktop.runLoop().advance(std::chrono::seconds(1));
        EXPECT_GT(desktop.writes().size() + desktop.postedEvents().size(), acted) << "the hot key did nothing";

        MenuItem* item = app->menuItemForAction(action.code);
        EXPECT_EQ(item != nullptr, action.menuPlace != 0);
        if (item) {
            EXPECT_EQ(item->tag(), action.code);
        }
    }
    // The recorders last: the preferences window in front keeps the hot keys from acting.
    for (const ActionInfo& action : kActions) {
        SCOPED_TRACE(action.settingsKey);
        ShortcutView* recorder = recorderOn(action.pane == ActionPane::Shortcuts ? "Shortcuts" : "MoveResize",
                                            std::string(action.recorderOutlet));
        ASSERT_NE(recorder, nullptr);
        EXPECT_EQ(recorder->associatedUserDefaultsKey(), std::string(action.settingsKey));
        EXPECT_EQ(recorder->shortcutValue(), Shortcut(action.defaultKeyCode, action.defaultModifierFlags));
    }
}

// What the desktop keeps from the program is switched off where the user
// meets it, and each pane says why; what it allows stays as it was.
TEST_F(PreferencePanesTest, WhatTheDesktopDoesNotAllowIsSwitchedOffAndSaysWhy) {
    const DesktopCapabilities missing{{false, "the desktop moves windows itself"},
                                      {false, "the desktop keeps swipes"},
                                      {false, "no desktops to move to"},
                                      {}};
    for (const DesktopCapabilities& can : {DesktopCapabilities{}, missing}) {
        const bool pointer = can.pointerEverywhere.available;
        app->applicationWillTerminate();
        platform.capabilities = can;
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
        SCOPED_TRACE(pointer ? "everything allowed" : "nothing allowed");

        EXPECT_EQ(control("MoveResize", "wSizeOption").isEnabled(), pointer);
        EXPECT_EQ(control("MoveResize", "pointerNoteLabel").isHidden(), pointer);
        EXPECT_EQ(control("Snap", "snapToEdgeEnabled").isEnabled(), pointer);
        EXPECT_EQ(control("MultiTouch", "enableSwipeGestures").isEnabled(), can.swipes.available);
        if (!pointer) {
            EXPECT_EQ(control("MoveResize", "pointerNoteLabel").stringValue(), "the desktop moves windows itself");
            EXPECT_EQ(control("Snap", "snapNoteLabel").stringValue(), "the desktop moves windows itself");
            EXPECT_EQ(control("MultiTouch", "noteLabel").stringValue(), "the desktop keeps swipes");
            EXPECT_EQ(control("MultiTouch", "noteLabel").textColor(), NamedColor::Red);
        }
        // The keyboard moves need nothing of the pointer.
        EXPECT_TRUE(recorderOn("MoveResize", "keyMoveLeftShortcut"));

        sim::SimMenu& menu = *ui.menu(ui.menuCount() - 1);
        menu.open();
        EXPECT_EQ(menu.itemTagged(action::kNextSpace)->isEnabled(), can.virtualDesktops.available);
        EXPECT_TRUE(menu.itemTagged(action::kLeft)->isEnabled());
    }
}

// A combination another action holds is refused, naming that action, and recording goes on.
TEST_F(PreferencePanesTest, AShortcutAnotherActionHoldsIsExplainedAndRecordingGoesOn) {
    EXPECT_FALSE(recordForLeft(37, modifier::kControl | modifier::kOption | modifier::kCommand));  // Center Left's
    ASSERT_EQ(ui.alerts().size(), 1u);
    EXPECT_EQ(ui.alerts()[0].messageText, "The key combination \u2303\u2325\u2318L cannot be used");
    EXPECT_NE(ui.alerts()[0].informativeText.find("\u2018Center Left\u2019"), std::string::npos)
        << ui.alerts()[0].informativeText;
    EXPECT_TRUE(recorder("leftShortcutView").isRecording());
    EXPECT_EQ(app->shortCutWithKey("LeftShortcut"), Shortcut(123, modifier::kControl | modifier::kOption));
}

}  // namespace
}  // namespace tilvane
