#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tilvane {

class ActionDispatcher;
class Shortcut;
class ShortcutBinder;
struct ActionInfo;

// Ties a settings key to the action its shortcut starts ("directrion" is the
// stored spelling of the action-code entry).
struct HotKeyEntry {
    std::string defaultsKey;
    int64_t directrion = 0;
};

// The hot keys of the window actions: the settings start-up stores (the
// default shortcuts among them), each stored shortcut bound to the dispatch
// while "EnableShotcuts" is on, the settings filled in again when they become
// empty, and the shortcuts other programs hold.
class HotKeyRegistration {
public:
    // showPreferences opens the preferences window, at the pane the settings name.
    HotKeyRegistration(const Platform& platform, ActionDispatcher& dispatcher, std::function<void()> showPreferences);
    ~HotKeyRegistration();
    HotKeyRegistration(const HotKeyRegistration&) = delete;
    HotKeyRegistration& operator=(const HotKeyRegistration&) = delete;

    // Writes the first-launch settings that are still absent, each followed by a write-through.
    void writeFirstLaunchSettings();
    void registerHotkeys(bool reset);
    void registerDefaultsForKey(const std::string& key, const Shortcut& shortcut, uint64_t direction, bool reset);
    void activateHotkeys();
    void deactivateHotkeys();
    // Puts every default shortcut back, bound at once unless the switch holds the hot keys back.
    void restoreDefaults();
    // The hot keys are held while "EnableShotcuts" is on, and let go of while
    // it is off, so that the combinations reach the other programs again;
    // the switch is followed whoever turns it. Start-up begins this.
    void followShortcutSwitch();
    void stopFollowingShortcutSwitch();
    // Whether the hot keys are bound now (the switch as last followed).
    bool hotKeysBound() const { return hotKeysBound_; }
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

    // --- shortcuts other programs hold -------------------------------------
    // While the hot keys are bound, tries again the shortcuts other programs
    // held, so that what is shown next says what came of it.
    void registerHeldElsewhereAgain();
    bool isHeldByAnotherProgram(const std::string& key) const;
    // The actions whose shortcuts another program holds (the window manager's
    // own, say), so that pressing them does something else.
    std::vector<const ActionInfo*> actionsHeldByOtherPrograms();
    // The explanation a recorder gives for the shortcut stored under key when
    // another program holds it; none when it acts.
    std::optional<std::string> shortcutHeldByAnotherProgram(const std::string& key);
    // Says so once: a line in the log and a notification that offers the Shortcuts pane.
    void reportShortcutsHeldElsewhere();
    // Called with the settings keys whose shortcuts other programs hold,
    // whenever that changes; set before start-up.
    void observeShortcutsHeldElsewhere(std::function<void(const std::vector<std::string>& keys)> observer);

private:
    Platform platform_;
    ActionDispatcher& dispatcher_;
    std::function<void()> showPreferences_;
    std::vector<HotKeyEntry> keysArray_;
    // Shared ownership only so that this header needs no complete type to destroy it.
    std::shared_ptr<ShortcutBinder> shortcutBinder_;
    std::optional<SettingsStore::ObserverId> emptySettingsObserver_;
    std::optional<SettingsStore::ObserverId> shortcutSwitchObserver_;
    std::function<void(const std::vector<std::string>&)> heldElsewhereObserver_;
    bool hotKeysBound_ = false;
    bool emptySettingsCheckQueued_ = false;
    // Work queued on the run loop checks that the registration still lives.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tilvane
