#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tilvane {

class LayoutManager;
class WindowAccess;
class Shortcut;
class ShortcutBinder;
class MoveResizeManager;
class SwipeManager;
class SnapToEdgeSwitch;

// Ties a settings key to the action its shortcut starts ("directrion" is the
// stored spelling of the action-code entry).
struct HotKeyEntry {
    std::string defaultsKey;
    int64_t directrion = 0;
};

// The application: the one dispatch of window actions, the accessibility gate,
// start-up and the registration of the actions' hot keys.
class AppDelegate {
public:
    explicit AppDelegate(const Platform& platform);
    ~AppDelegate();

    // --- start-up and termination --------------------------------------------
    // Start-up: the first-launch settings, the accessibility check and the
    // hot keys, in that order.
    void applicationDidFinishLaunching();
    // Termination: the hot keys are unbound.
    void applicationWillTerminate();
    // Writes the first-launch settings that are still absent, each followed by a write-through.
    void writeFirstLaunchSettings();

    // --- window actions and dispatch -----------------------------------------
    void moveWindowToDirection(int64_t code, bool fromMenu);
    // The action of every action item of the status menu; the tag is the code.
    void moveWindowToDirectionFromMenu(int64_t tag) { moveWindowToDirection(tag, true); }
    bool accessibilityEnabled();
    void openAccessibility();

    // --- hot-key registration ------------------------------------------------
    void registerHotkeys(bool reset);
    void registerDefaultsForKey(const std::string& key, const Shortcut& shortcut, uint64_t direction, bool reset);
    void activateHotkeys();
    void deactivateHotkeys();
    void restoreDefaults();
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
    SettingsStore* defaults = nullptr;

    const Platform& platform() const { return platform_; }

private:
    Platform platform_;
    std::unique_ptr<WindowAccess> windowAccess_;
    std::unique_ptr<LayoutManager> layoutManager_;
    std::vector<HotKeyEntry> keysArray_;
    // Shared ownership only so that this header needs no complete type to destroy it.
    std::shared_ptr<ShortcutBinder> shortcutBinder_;

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

}  // namespace tilvane
