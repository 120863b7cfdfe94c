#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/action_dispatcher.h"
#include "app/hotkey_registration.h"
#include "app/space_mover.h"
#include "app/status_menu.h"
#include "platform/platform.h"
#include "preferences/preferences_host.h"

namespace tilvane {

class LayoutManager;
class Shortcut;
class MoveResizeManager;
class SwipeManager;
class SnapToEdgeSwitch;
class PreferencesWindowController;
class PreferencesViewController;
class LaunchAtLoginController;
class RecorderGroup;
class ShortcutValidator;

// The application: start-up and termination, the preferences window as it
// opens it, and what the panes ask of it. It owns the dispatch of window
// actions, the Space moves, the registration of the actions' hot keys and the
// status menu, and the mouse and gesture monitors start-up begins.
class AppDelegate : public PreferencesHost {
public:
    explicit AppDelegate(const Platform& platform);
    ~AppDelegate() override;

    // --- start-up and termination --------------------------------------------
    // Start-up, in this order: the offer to move the program into place, the
    // support reports, the taskbar policy, the first-launch settings, the
    // accessibility check, the updater, the hot keys, the status menu, the
    // mouse and gesture monitors, and the support reports again.
    void applicationDidFinishLaunching();
    // Termination: the hot keys are unbound.
    void applicationWillTerminate();
    // The update feed: the beta feed when beta updates are on, else the stored
    // "SUFeedURL"; none when neither gives one.
    std::optional<std::string> getFeedURL();
    // Opens the preferences window; while it is active, actions do nothing.
    void showPreferecensPane();
    void windowWillClose();
    // Whether the preferences window is open and has not lost the keyboard since.
    bool _prefsWindowActive() const { return prefsWindowActive_; }
    // Whether the preferences window is shown and has the keyboard now.
    bool preferencesWindowIsKey();
    // Made on first use with the panes General, Shortcuts, MultiTouch,
    // Move/Resize and Snap to Edge, and kept.
    PreferencesWindowController& preferencesWindowController();
    void showAboutPanel();
    void checkUpates();
    void showFeedbackDialog();
    SettingsStore* defaults() const { return platform_.settings; }

    // --- what the program and the tests reach of the parts ---------------------
    void moveWindowToDirection(int64_t code, bool fromMenu) { dispatcher_->moveWindowToDirection(code, fromMenu); }
    LayoutManager& layoutManager() { return dispatcher_->layoutManager(); }
    uint64_t getNextSpaceNumber() { return spaceMover_->getNextSpaceNumber(); }
    int64_t getPrevSpaceNumber() { return spaceMover_->getPrevSpaceNumber(); }
    void registerHotkeys(bool reset) { hotKeys_->registerHotkeys(reset); }
    void activateHotkeys() { hotKeys_->activateHotkeys(); }
    std::optional<Shortcut> shortCutWithKey(const std::string& key) { return hotKeys_->shortCutWithKey(key); }
    void observeShortcutsHeldElsewhere(std::function<void(const std::vector<std::string>& keys)> observer) {
        hotKeys_->observeShortcutsHeldElsewhere(std::move(observer));
    }
    Menu* theMenu() const { return statusMenu_->theMenu(); }
    MenuItem* enableShotcustItem() const { return statusMenu_->enableShotcustItem(); }
    MenuItem* preferencesMenuItem() const { return statusMenu_->preferencesMenuItem(); }
    MenuItem* menuItemForAction(int64_t code) const { return statusMenu_->menuItemForAction(code); }
    // Started by applicationDidFinishLaunching when the platform can watch
    // input, else null; they live as long as the application.
    MoveResizeManager* resizeMan() const { return resizeMan_.get(); }
    SwipeManager* swipeMan() const { return swipeMan_.get(); }
    // Starts snapping to the screen edges once "SnapToEdgeEnabled" is on, and stops it while it is off.
    SnapToEdgeSwitch* snapMan() const { return snapMan_.get(); }

    // --- what the preference panes ask ----------------------------------------
    bool accessibilityEnabled() override { return dispatcher_->accessibilityEnabled(); }
    void openAccessibility() override { dispatcher_->openAccessibility(); }
    void restoreDefaults() override { hotKeys_->restoreDefaults(); }
    std::string settingsKeyForAction(int64_t code) override;
    std::optional<std::string> shortcutTakenByAnotherAction(const Shortcut& shortcut, const std::string& key) override;
    std::optional<std::string> shortcutHeldByAnotherProgram(const std::string& key) override {
        return hotKeys_->shortcutHeldByAnotherProgram(key);
    }

    const Platform& platform() const { return platform_; }

private:
    // Destroyed in the reverse order: the monitors, the hot keys, the
    // dispatch, the preferences window, and the status menu last.
    Platform platform_;
    bool prefsWindowActive_ = false;
    std::unique_ptr<StatusMenu> statusMenu_;
    // The preferences window and what its panes share; made on first use.
    std::unique_ptr<ShortcutValidator> validator_;
    std::unique_ptr<RecorderGroup> recorderGroup_;
    std::unique_ptr<LaunchAtLoginController> launchAtLogin_;
    std::vector<std::unique_ptr<PreferencesViewController>> panes_;
    std::unique_ptr<PreferencesWindowController> _preferencesWindowController;
    std::vector<std::pair<Window*, uint64_t>> prefsObservers_;
    std::unique_ptr<SpaceMover> spaceMover_;
    std::unique_ptr<ActionDispatcher> dispatcher_;
    std::unique_ptr<HotKeyRegistration> hotKeys_;
    std::unique_ptr<MoveResizeManager> resizeMan_;
    std::unique_ptr<SwipeManager> swipeMan_;
    std::unique_ptr<SnapToEdgeSwitch> snapMan_;
};

// The update feed used when beta updates are on.
extern const char* const kBetaFeedURL;

}  // namespace tilvane
