#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "shortcuts/shortcut_monitor.h"
#include "shortcuts/value_transformer.h"

namespace tilvane {

// How stored values are read: a transformer object, or else the name of one.
struct BindingOptions {
    std::shared_ptr<ShortcutValueTransformer> valueTransformer;
    std::string valueTransformerName = std::string(kKeyedUnarchiveFromDataTransformerName);
};

// Ties settings keys to actions. Once a key is bound, the shortcut stored
// under it is registered as a hot key that runs the action, and it follows
// every later change of the stored value, whoever makes it, until the binding
// is broken. The binder owns no hot keys; the monitor does.
class ShortcutBinder {
public:
    using Action = std::function<void()>;

    // Reads and observes the store; registers with the monitor (null: registers nothing).
    ShortcutBinder(SettingsStore& store, KeyedArchiver* archiver, ShortcutMonitor* monitor);
    // Takes the store and archiver of the platform and a monitor of its own on
    // the platform's hot-key service. Without a store nothing is ever bound to a value.
    explicit ShortcutBinder(const Platform& platform);
    // The process's binder, created at the first call with the shared monitor.
    static ShortcutBinder* sharedBinder(const Platform& platform);
    // Breaks every binding.
    ~ShortcutBinder();
    ShortcutBinder(const ShortcutBinder&) = delete;
    ShortcutBinder& operator=(const ShortcutBinder&) = delete;

    // Binds the key (again, replacing the action and the earlier binding) and
    // registers what it holds now, before returning.
    void bindShortcutWithDefaultsKey(const std::string& key, Action action);
    // Withdraws the key's hot key and stops following the key; the stored value stays.
    void breakBindingWithDefaultsKey(const std::string& key);
    // Registers each shortcut, in the binding options' stored form, as the
    // fallback value of its key; keys whose shortcut has no stored form are skipped.
    void registerDefaultShortcuts(const std::map<std::string, Shortcut>& defaults);
    bool isRegisteredAction(const std::string& key) const { return actions_.count(key) > 0; }

    const BindingOptions& bindingOptions() const { return bindingOptions_; }
    // Affects only bindings made from now on.
    void setBindingOptions(BindingOptions options) { bindingOptions_ = std::move(options); }

    ShortcutMonitor* shortcutMonitor() const { return shortcutMonitor_; }
    const std::map<std::string, Action>& actions() const { return actions_; }
    const std::map<std::string, Shortcut>& shortcuts() const { return shortcuts_; }

    // A decoded stored value of a bound key arrives. False (nothing done) for a key that is not bound.
    bool setValueForUndefinedKey(const std::optional<Shortcut>& value, const std::string& key);
    // The shortcut registered for a bound key; none for a key without one or not bound.
    std::optional<Shortcut> valueForUndefinedKey(const std::string& key) const;

private:
    struct Binding {
        SettingsStore::ObserverId observer = 0;
        std::shared_ptr<ShortcutValueTransformer> transformer;
    };

    std::shared_ptr<ShortcutValueTransformer> transformerFor(const BindingOptions& options) const;
    void deliver(const std::string& key);
    void unbind(const std::string& key);

    std::unique_ptr<ShortcutMonitor> ownedMonitor_;
    SettingsStore* store_;
    KeyedArchiver* archiver_;
    ShortcutMonitor* shortcutMonitor_;
    BindingOptions bindingOptions_;
    std::map<std::string, Action> actions_;
    std::map<std::string, Shortcut> shortcuts_;
    std::map<std::string, Binding> bindings_;
};

}  // namespace tilvane
