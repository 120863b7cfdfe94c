#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/action_table.h"
#include "platform/platform.h"
#include "preferences/preferences_host.h"

namespace tilvane {

class LayoutManager;
class WindowAccess;
class Shortcut;
class ShortcutBinder;
class MoveResizeManager;
class SwipeManager;
class SnapToEdgeSwitch;
class PreferencesWindowController;
class PreferencesViewController;
class LaunchAtLoginController;
class RecorderGroup;
class ShortcutValidator;
struct ActionInfo;

// Ties a settings key to the action its shortcut starts ("directrion" is the
// stored spelling of the action-code entry).
struct HotKeyEntry {
    std::string defaultsKey;
    int64_t directrion = 0;
};

// The application: the one dispatch of window actions, the accessibility gate,
// start-up and termination, the status menu, and the registration of the
// actions' hot keys.
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
    // Writes the first-launch settings that are still absent, each followed by a write-through.
    void writeFirstLaunchSettings();
    // The update feed: the beta feed when beta updates are on, else the stored
    // "SUFeedURL"; none when neither gives one.
    std::optional<std::string> getFeedURL();
    // Opens the preferences window; while it is active, actions do nothing.
    void showPreferecensPane();
    void windowWillClose();
    // Whether the preferences window is shown and has the keyboard now.
    bool preferencesWindowIsKey();
    // Made on first use with the panes General, Shortcuts, MultiTouch,
    // Move/Resize and Snap to Edge, and kept.
    PreferencesWindowController& preferencesWindowController();
    void showAboutPanel();
    void checkUpates();
    void showFeedbackDialog();

    // --- status menu -----------------------------------------------------------
    // Builds the status menu and the status item; once, at start-up.
    void setupStatusMenuItem();
    MenuItem& createMenuItemForDirection(int64_t code, const std::string& title, const std::string& image);
    // Asked for every item each time the menu is about to be shown: refreshes
    // the switch, the preferences entry and the item's key equivalent. Every
    // item is enabled, but for the Space moves on a desktop without desktops.
    bool validateMenuItem(MenuItem& item);
    void setKeyEquivalentForMenuItem(MenuItem& item, const std::string& defaultsKey);
    void setMenuColor(NamedColor color, MenuItem* item, bool useBold);
    // The switch's action: shortcuts on becomes off and the other way round.
    void enableShortcuts();
    StatusItem* statusItem() const { return _statusItem.get(); }
    void setStatusItem(std::unique_ptr<StatusItem> item) { _statusItem = std::move(item); }

    // --- window actions and dispatch -----------------------------------------
    void moveWindowToDirection(int64_t code, bool fromMenu);
    // The action of every action item of the status menu; the tag is the code.
    void moveWindowToDirectionFromMenu(int64_t tag) { moveWindowToDirection(tag, true); }
    bool accessibilityEnabled() override;
    void openAccessibility() override;
    std::string settingsKeyForAction(int64_t code) override;
    std::optional<std::string> shortcutTakenByAnotherAction(const Shortcut& shortcut, const std::string& key) override;
    std::optional<std::string> shortcutHeldByAnotherProgram(const std::string& key) override;
    // The actions whose shortcuts another program holds (the window manager's
    // own, say), so that pressing them does something else.
    std::vector<const ActionInfo*> actionsHeldByOtherPrograms();
    // Says so once: a line in the log and a notification that offers the Shortcuts pane.
    void reportShortcutsHeldElsewhere();
    // Called with the settings keys whose shortcuts other programs hold,
    // whenever that changes; set before start-up.
    void observeShortcutsHeldElsewhere(std::function<void(const std::vector<std::string>& keys)> observer);

    // --- hot-key registration ------------------------------------------------
    void registerHotkeys(bool reset);
    void registerDefaultsForKey(const std::string& key, const Shortcut& shortcut, uint64_t direction, bool reset);
    void activateHotkeys();
    void deactivateHotkeys();
    // The hot keys are held while "EnableShotcuts" is on, and let go of while
    // it is off, so that the combinations reach the other programs again;
    // the switch is followed whoever turns it. Start-up begins this.
    void followShortcutSwitch();
    void stopFollowingShortcutSwitch();
    void restoreDefaults() override;
    // While the program runs, settings that become empty (the file emptied or
    // deleted) are the same as settings never written: after a short grace
    // for an editor or a command that puts a new file in place, start-up's
    // settings and default shortcuts fill in what the settings then lack, and
    // the log says so once.
    void watchForEmptySettings();
    void stopWatchingForEmptySettings();
    // Whether a setting that start-up stores is missing.
    bool lacksStartUpSettings() const;
    std::optional<Shortcut> shortCutWithKey(const std::string& key);
    std::optional<Shortcut> shortcutWithData(const std::optional<std::vector<uint8_t>>& data);
    const std::vector<HotKeyEntry>& keysArray() const { return keysArray_; }
    // The binder that ties the settings keys to their hot keys, created on first use and kept.
    ShortcutBinder& shortcutBinder();

    // The way to the focused window, created on first use and kept: every
    // action and the mouse interactions find the window through this one.
    WindowAccess& windowAccess();
    // The layout computation, created on first use and kept.
    LayoutManager& layoutManager();

    // --- Spaces navigation ---------------------------------------------------
    // The Spaces the Desktop shortcuts count (reversed report, type 2 left out),
    // read anew on every call.
    std::vector<uint64_t> getspaces();
    // None when the window server reports no current Space.
    std::optional<uint64_t> current_space();
    // 1-based number of the Space after (before) the current one, wrapping at
    // the ends; numbers above 16 mean "none" to the Space move.
    uint64_t getNextSpaceNumber();
    int64_t getPrevSpaceNumber();

    bool _prefsWindowActive = false;
    // Set when the menu is built; while set, opening the menu refreshes it.
    bool _validateMenu = false;
    SettingsStore* defaults = nullptr;

    // The status menu and its entries; null until the menu is built.
    std::unique_ptr<Menu> theMenu;
    MenuItem* enableShotcustItem = nullptr;
    // An action's entry in the status menu; null for an action the menu leaves out.
    MenuItem* menuItemForAction(int64_t code) const;
    MenuItem* preferencesMenuItem = nullptr;

    const Platform& platform() const { return platform_; }

private:
    std::unique_ptr<StatusItem> _statusItem;
    std::array<MenuItem*, kActionCount> actionItems_{};
    // The preferences window and what its panes share; made on first use.
    std::unique_ptr<ShortcutValidator> validator_;
    std::unique_ptr<RecorderGroup> recorderGroup_;
    std::unique_ptr<LaunchAtLoginController> launchAtLogin_;
    std::vector<std::unique_ptr<PreferencesViewController>> panes_;
    std::unique_ptr<PreferencesWindowController> _preferencesWindowController;
    std::vector<std::pair<Window*, uint64_t>> prefsObservers_;
    Platform platform_;
    std::unique_ptr<WindowAccess> windowAccess_;
    std::unique_ptr<LayoutManager> layoutManager_;
    std::vector<HotKeyEntry> keysArray_;
    // Next and Previous Space pressed while a move to another Space is under
    // way wait for it and go in turn: each counts from where the one before
    // left the window, and each finds the pointer back where it was.
    std::deque<int64_t> spaceMoves_;
    bool spaceMoveUnderway_ = false;
    void startSpaceMove();
    // Shared ownership only so that this header needs no complete type to destroy it.
    std::shared_ptr<ShortcutBinder> shortcutBinder_;
    std::optional<SettingsStore::ObserverId> emptySettingsObserver_;
    std::optional<SettingsStore::ObserverId> shortcutSwitchObserver_;
    std::function<void(const std::vector<std::string>&)> heldElsewhereObserver_;
    // Whether the hot keys are bound now (the switch as last followed).
    bool hotKeysBound_ = false;
    bool emptySettingsCheckQueued_ = false;
    // Work queued on the run loop checks that the application still lives.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

public:
    // Started by applicationDidFinishLaunching when the platform can watch input;
    // they live as long as the application.
    std::shared_ptr<MoveResizeManager> resizeMan;
    std::shared_ptr<SwipeManager> swipeMan;
    // Starts snapping to the screen edges once "SnapToEdgeEnabled" is on, and stops it while it is off.
    std::shared_ptr<SnapToEdgeSwitch> snapMan;
};

// The script that opens the security pane of the system settings.
extern const char* const kOpenSecurityPaneScript;
// The update feed used when beta updates are on.
extern const char* const kBetaFeedURL;

}  // namespace tilvane
