#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shortcuts/shortcut_monitor.h"
#include "shortcuts/value_transformer.h"

namespace tilvane {

// Ties settings keys to actions. Once a key is bound, the shortcut stored
// under it is registered as a hot key that runs the action, and it follows
// every later change of the stored value, whoever makes it, until the binding
// is broken. Stored values are keyed archives of shortcuts; any other value
// counts as no shortcut. The binder owns no hot keys; the monitor does.
//
// A combination runs one action. When a second key holds a combination that a
// bound key has already registered (a hand-edited file, say), the first keeps
// it, the conflict is logged, and the second waits: it gets the hot key as soon
// as the first lets go of the combination. Keys wait in the order they were bound.
class ShortcutBinder {
public:
    using Action = std::function<void()>;

    // Reads and observes the store; registers with the monitor (null: registers nothing).
    ShortcutBinder(SettingsStore& store, KeyedArchiver* archiver, ShortcutMonitor* monitor, Log* log = nullptr);
    // Takes the store and archiver of the platform and a monitor of its own on
    // the platform's hot-key service. Without a store nothing is ever bound to a value.
    explicit ShortcutBinder(const Platform& platform);
    // Breaks every binding.
    ~ShortcutBinder();
    ShortcutBinder(const ShortcutBinder&) = delete;
    ShortcutBinder& operator=(const ShortcutBinder&) = delete;

    // Binds the key (again, replacing the action and the earlier binding) and
    // registers what it holds now, before returning.
    void bindShortcutWithDefaultsKey(const std::string& key, Action action);
    // Withdraws the key's hot key and stops following the key; the stored value stays.
    void breakBindingWithDefaultsKey(const std::string& key);
    bool isRegisteredAction(const std::string& key) const { return actions_.count(key) > 0; }

    // A decoded stored value of a bound key arrives. False (nothing done) for a key that is not bound.
    bool setValueForUndefinedKey(const std::optional<Shortcut>& value, const std::string& key);
    // The shortcut registered for a bound key; none for a key without one or not bound.
    std::optional<Shortcut> valueForUndefinedKey(const std::string& key) const;
    // Whether the key's shortcut is registered as its hot key (false while it
    // waits for a combination another key holds, or the system refused it).
    bool holdsHotKey(const std::string& key) const { return holders_.count(key) > 0; }
    // Whether the key's shortcut was refused because another program holds
    // it (the window manager, say): as found when it was last registered.
    bool isHeldByAnotherProgram(const std::string& key) const { return heldElsewhere_.count(key) > 0; }
    // Registers again the shortcuts other programs held, and finds anew which still are.
    void registerHeldElsewhereAgain();
    // Called whenever the keys whose shortcuts other programs hold change.
    void onHeldElsewhereChange(std::function<void()> observer) { heldElsewhereChange_ = std::move(observer); }

private:
    void deliver(const std::string& key);
    void unbind(const std::string& key);
    // Withdraws the key's hot key and hands the combination to the first key waiting for it.
    void release(const std::string& key);
    void registerFor(const std::string& key);
    void setHeldElsewhere(const std::string& key, bool held);

    std::unique_ptr<ShortcutMonitor> ownedMonitor_;
    SettingsStore* store_;
    KeyedUnarchiveFromDataTransformer transformer_;
    ShortcutMonitor* shortcutMonitor_;
    Log* log_ = nullptr;
    std::map<std::string, Action> actions_;
    std::vector<std::string> bindingOrder_;
    std::map<std::string, Shortcut> shortcuts_;
    std::set<std::string> holders_;        // the keys whose shortcut is registered
    std::set<std::string> heldElsewhere_;  // the keys whose shortcut another program holds
    std::function<void()> heldElsewhereChange_;
    // The observation of each bound key.
    std::map<std::string, SettingsStore::ObserverId> bindings_;
};

}  // namespace tilvane
