// The preferences window as the application opens it, on the simulated
// desktop: each pane's controls bound to the settings, the taskbar entry's
// timing, starting at login, the swipe note, the recorders, and actions held
// back while the window is active.

#include "preferences/preference_panes.h"

#include <gtest/gtest.h>

#include "app/action_table.h"
#include "app/app_delegate.h"
#include "app/sim_application.h"
#include "preferences/preferences_window_controller.h"

namespace tilvane {
namespace {

std::vector<std::string> recorderOutlets() {
    std::vector<std::string> names;
    for (const auto& outlet : ShortcutsPrefsViewController::outlets()) names.emplace_back(outlet.name);
    return names;
}

class PreferencePanesTest : public testing::Test, protected SimApplication<sim::SimUserInterface> {
protected:
    PreferencePanesTest() {
        window = desktop.addWindow(42, {100, 100, 800, 600}).id;
        desktop.focus(window);
        platform.programPath = "/usr/bin/tilvane";
        ui.defineView("GeneralPreferencesView",
                      {{560, 200},
                       0,
                       {"accessibilityStatusImage", "accessibilityStatusText", "openAccessibilityButton",
                        "hideDocIconCheckbox", "launchAtLoginCheckbox"},
                       {}});
        ui.defineView("ShortcutsPrefsView", {{560, 380}, 0, {"restoreDefaultsButton"}, recorderOutlets()});
        ui.defineView("MultiTouchPrefsView", {{560, 160},
                                              0,
                                              {"enableSwipeGestures", "swipeFn", "swipeShift", "swipeOption",
                                               "swipeControl", "swipeCommand", "noteLabel"},
                                              {}});
        ui.defineView("MoveResizePrefsView",
                      {{560, 330},
                       0,
                       {"windowMovingEnabled", "wMoveF", "wMoveShift", "wMoveOption", "wMoveControl", "wMoveCommand",
                        "windowResizingEnabled", "wSizeF", "wSizeShift", "wSizeOption", "wSizeControl", "wSizeCommand",
                        "fourCornerResizing", "bringToFront"},
                       {"keyMoveLeftShortcut", "keyMoveRightShortcut", "keyMoveUpShortcut", "keyMoveDownShortcut"}});
        ui.defineView("SnapPrefsView", {{560, 100}, 0, {"snapToEdgeEnabled"}, {}});
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
    std::optional<Shortcut> stored(const std::string& key) { return app->shortCutWithKey(key); }
    Rect frame() { return desktop.window(window).frame; }

    uint64_t window = 0;
    std::unique_ptr<AppDelegate> app;
};

TEST_F(PreferencePanesTest, TheWindowShowsFivePanesAndBlocksActionsWhileActive) {
    app->showPreferecensPane();
    EXPECT_EQ(prefsWindow().title(), "Preferences");
    EXPECT_TRUE(prefsWindow().isVisible());
    std::vector<std::string> identifiers;
    for (auto* item : prefsWindow().simToolbar().items()) identifiers.push_back(item->itemIdentifier());
    EXPECT_EQ(identifiers,
              (std::vector<std::string>{"GeneralPreferences", "Shortcuts", "MultiTouch", "MoveResize", "Snap"}));

    EXPECT_TRUE(app->_prefsWindowActive);
    EXPECT_TRUE(hotKeys.press(123, kCarbonControlKey | kCarbonOptionKey));
    desktop.runLoop().runUntilIdle();
    app->moveWindowToDirectionFromMenu(120);
    EXPECT_EQ(frame(), (Rect{100, 100, 800, 600}));

    // The user clicks into another window: actions act again, the window still open.
    prefsWindow().resignKey();
    EXPECT_FALSE(app->_prefsWindowActive);
    EXPECT_TRUE(hotKeys.press(123, kCarbonControlKey | kCarbonOptionKey));
    desktop.runLoop().runUntilIdle();
    EXPECT_EQ(frame(), (Rect{0, 0, 720, 900}));
    EXPECT_TRUE(prefsWindow().isVisible());

    app->showPreferecensPane();
    EXPECT_TRUE(app->_prefsWindowActive);
    prefsWindow().userCloses();
    EXPECT_FALSE(app->_prefsWindowActive);
}

TEST_F(PreferencePanesTest, TheGeneralPane) {
    EXPECT_EQ(control("GeneralPreferences", "accessibilityStatusText").stringValue(),
              "Accessibility is enabled. You're all set!");
    EXPECT_EQ(control("GeneralPreferences", "accessibilityStatusImage").image(), kStatusAvailableImage);
    EXPECT_FALSE(control("GeneralPreferences", "openAccessibilityButton").isEnabled());

    desktop.setTrusted(false);
    controller().selectControllerWithIdentifier("Shortcuts");
    EXPECT_EQ(control("GeneralPreferences", "accessibilityStatusText").stringValue(),
              "Enable Accessibility for Tilvane.");
    EXPECT_EQ(control("GeneralPreferences", "accessibilityStatusImage").image(), kStatusPartiallyAvailableImage);
    control("GeneralPreferences", "openAccessibilityButton").click();
    EXPECT_EQ(desktop.trustPrompts(), 1);
}

TEST_F(PreferencePanesTest, TheTaskbarEntryShowsAtOnceAndGoesWhenThePaneDisappears) {
    app->showPreferecensPane();
    auto& box = control("GeneralPreferences", "hideDocIconCheckbox");
    EXPECT_EQ(ui.activationPolicy(), UserInterface::ActivationPolicy::Regular);

    box.click();  // on: hidden, but not before the pane goes
    EXPECT_EQ(desktop.settings().objectForKey("HideDocIcon"), SettingsValue(true));
    EXPECT_EQ(ui.activationPolicy(), UserInterface::ActivationPolicy::Regular);
    controller().selectControllerWithIdentifier("Snap");
    EXPECT_EQ(ui.activationPolicy(), UserInterface::ActivationPolicy::Accessory);

    controller().selectControllerWithIdentifier("GeneralPreferences");
    box.click();  // off: shown at once
    EXPECT_EQ(ui.activationPolicy(), UserInterface::ActivationPolicy::Regular);
    box.click();
    prefsWindow().userCloses();  // closing the window makes the pane disappear too
    EXPECT_EQ(ui.activationPolicy(), UserInterface::ActivationPolicy::Accessory);
}

TEST_F(PreferencePanesTest, StartingAtLoginFollowsTheLoginItems) {
    auto& box = control("GeneralPreferences", "launchAtLoginCheckbox");
    EXPECT_FALSE(box.state());
    box.click();
    EXPECT_EQ(loginItems.snapshot().size(), 1u);
    EXPECT_EQ(loginItems.snapshot()[0].url, "/usr/bin/tilvane");
    loginItems.changeElsewhere({});
    EXPECT_FALSE(box.state());
    loginItems.setRefuses(true);
    box.click();
    EXPECT_FALSE(box.state());
}

TEST_F(PreferencePanesTest, TheSwipeNoteIsRedWhenSwipesCannotWork) {
    auto& gestures = control("MultiTouch", "enableSwipeGestures");
    auto& note = control("MultiTouch", "noteLabel");
    EXPECT_EQ(note.textColor(), NamedColor::Red);  // gestures off
    gestures.click();
    EXPECT_EQ(note.textColor(), NamedColor::Red);  // on, but no key chosen
    control("MultiTouch", "swipeControl").click();
    EXPECT_EQ(note.textColor(), NamedColor::Black);
    EXPECT_EQ(desktop.settings().objectForKey("SwipeControl"), SettingsValue(true));
    gestures.click();
    EXPECT_EQ(note.textColor(), NamedColor::Red);
}

// Where the keyboard has no Fn (X11), a ticked Fn box would stop the feature
// for good: the boxes are not offered, and Fn alone does not make swipes work.
TEST_F(PreferencePanesTest, TheFnBoxesAreOfferedOnlyWhereTheKeyboardHasFn) {
    desktop.settings().setBool("EnableSwipeGestures", true);
    desktop.settings().setBool("SwipeFn", true);
    const struct Row {
        bool hasFn;
        NamedColor note;
    } rows[] = {{true, NamedColor::Black}, {false, NamedColor::Red}};
    for (const auto& row : rows) {
        app->applicationWillTerminate();
        keyboard.setHasFunctionModifier(row.hasFn);
        app = std::make_unique<AppDelegate>(platform);
        app->applicationDidFinishLaunching();
        for (auto [identifier, box] :
             {std::pair{"MultiTouch", "swipeFn"}, {"MoveResize", "wMoveF"}, {"MoveResize", "wSizeF"}})
            EXPECT_EQ(control(identifier, box).isHidden(), !row.hasFn) << box;
        EXPECT_FALSE(control("MultiTouch", "swipeShift").isHidden());
        EXPECT_EQ(control("MultiTouch", "noteLabel").textColor(), row.note) << row.hasFn;
    }
}

TEST_F(PreferencePanesTest, EveryCheckBoxWritesItsKeyAndFollowsChangesMadeElsewhere) {
    struct Row {
        const char* pane;
        const char* control;
        const char* key;
    } rows[] = {
        {"MoveResize", "windowMovingEnabled", "WindowMovingEnabled"},
        {"MoveResize", "wMoveF", "WMoveF"},
        {"MoveResize", "wMoveCommand", "WMoveCommand"},
        {"MoveResize", "windowResizingEnabled", "WindowResizingEnabled"},
        {"MoveResize", "wSizeOption", "WSizeOption"},
        {"MoveResize", "fourCornerResizing", "fourCornerResizing"},
        {"MoveResize", "bringToFront", "WMoveSizeEnabledBrigToFront"},
        {"MultiTouch", "swipeFn", "SwipeFn"},
        {"MultiTouch", "swipeCommand", "SwipeCommand"},
        {"Snap", "snapToEdgeEnabled", "SnapToEdgeEnabled"},
        {"GeneralPreferences", "hideDocIconCheckbox", "HideDocIcon"},
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

TEST_F(PreferencePanesTest, RecordersAreBoundToTheirActionsKeys) {
    pane("Shortcuts");
    auto& shortcuts = static_cast<ShortcutsPrefsViewController&>(*controller().selectedViewController());
    ASSERT_TRUE(shortcuts.recorder("leftShortcutView"));
    EXPECT_EQ(shortcuts.recorder("leftShortcutView")->associatedUserDefaultsKey(), "LeftShortcut");
    EXPECT_EQ(shortcuts.recorder("prevPrevShortcutView")->associatedUserDefaultsKey(), "MovePrevSpaceShortcut");
    EXPECT_EQ(shortcuts.recorder("center13HShortcutView")->associatedUserDefaultsKey(), "CenterH13ShortcutKey");
    pane("MoveResize");
    auto& moveResize = static_cast<MoveResizePrefsViewController&>(*controller().selectedViewController());
    EXPECT_EQ(moveResize.keyMoveUpShortcut->associatedUserDefaultsKey(), "KeyMoveUpShortcut");
}

TEST_F(PreferencePanesTest, ARecordedShortcutActsAtOnceAndRestoreDefaultsBringsEveryDefaultBack) {
    app->showPreferecensPane();
    auto& view = pane("Shortcuts");
    auto& shortcuts = static_cast<ShortcutsPrefsViewController&>(*controller().selectedViewController());
    ShortcutView& left = *shortcuts.recorder("leftShortcutView");

    // Records Control+Option+Command+H for "Left".
    view.simCustomView("leftShortcutView")->click({10, 5});
    EXPECT_TRUE(left.isRecording());
    EXPECT_TRUE(ui.keyboardGrabbed());
    EXPECT_FALSE(ui.typeKey({EventType::KeyDown, 4, modifier::kControl | modifier::kOption | modifier::kCommand}));
    EXPECT_FALSE(left.isRecording());
    EXPECT_FALSE(ui.keyboardGrabbed());
    EXPECT_EQ(stored("LeftShortcut"), Shortcut(4, modifier::kControl | modifier::kOption | modifier::kCommand));

    // The old combination no longer acts, the new one does.
    prefsWindow().resignKey();
    EXPECT_FALSE(hotKeys.press(123, kCarbonControlKey | kCarbonOptionKey));
    EXPECT_TRUE(hotKeys.press(4, kCarbonControlKey | kCarbonOptionKey | kCarbonCmdKey));
    desktop.runLoop().runUntilIdle();
    EXPECT_EQ(frame(), (Rect{0, 0, 720, 900}));

    control("Shortcuts", "restoreDefaultsButton").click();
    for (const auto& outlet : ShortcutsPrefsViewController::outlets()) {
        const ActionInfo* info = actionForCode(outlet.action);
        EXPECT_EQ(shortcuts.recorder(outlet.name)->shortcutValue(),
                  Shortcut(info->defaultKeyCode, info->defaultModifierFlags))
            << outlet.name;
    }
}

TEST_F(PreferencePanesTest, AShortcutAnotherActionHoldsIsExplainedAndRecordingGoesOn) {
    auto& view = pane("Shortcuts");
    auto& shortcuts = static_cast<ShortcutsPrefsViewController&>(*controller().selectedViewController());
    view.simCustomView("leftShortcutView")->click({10, 5});
    // Control+Option+Command+L is "Center Left"'s.
    EXPECT_FALSE(ui.typeKey({EventType::KeyDown, 37, modifier::kControl | modifier::kOption | modifier::kCommand}));
    ASSERT_EQ(ui.alerts().size(), 1u);
    EXPECT_EQ(ui.alerts()[0].messageText, "The key combination \u2303\u2325\u2318L cannot be used");
    EXPECT_NE(ui.alerts()[0].informativeText.find("\u2018Center Left\u2019"), std::string::npos)
        << ui.alerts()[0].informativeText;
    EXPECT_EQ(ui.alerts()[0].style, AlertStyle::Critical);
    EXPECT_TRUE(shortcuts.recorder("leftShortcutView")->isRecording());
    EXPECT_EQ(stored("LeftShortcut"), Shortcut(123, modifier::kControl | modifier::kOption));
}

}  // namespace
}  // namespace tilvane
