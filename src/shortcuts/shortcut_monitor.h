#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "shortcuts/hot_key.h"

namespace tilvane {

// The registry of system-wide hot keys: one handler for pressed hot keys and
// a table from shortcut to registered hot key, at most one per combination.
// A press of a registered combination queues its action on the run loop; the
// action runs after the event has been handled.
class ShortcutMonitor {
public:
    using Action = HotKey::Action;

    // Installs the hot-key handler; null when the service will not take it.
    static std::unique_ptr<ShortcutMonitor> create(HotKeyService& service, RunLoop& runLoop);

    ~ShortcutMonitor();
    ShortcutMonitor(const ShortcutMonitor&) = delete;
    ShortcutMonitor& operator=(const ShortcutMonitor&) = delete;

    // Registers the combination and gives it the action, replacing an entry
    // for an equal shortcut only once the system has accepted the new one.
    // False when the system refuses, or the shortcut has no key; the table is
    // then unchanged.
    bool registerShortcut(const Shortcut& shortcut, Action action);
    void unregisterShortcut(const std::optional<Shortcut>& shortcut);
    bool isShortcutRegistered(const Shortcut& shortcut) const;
    // Whether another program holds the combination (this program's own hot keys do not count).
    bool isHeldByAnotherProgram(const Shortcut& shortcut) const;
    // Called by the installed handler for each delivered event.
    void handleEvent(const HotKeyEvent& event);

private:
    ShortcutMonitor(HotKeyService& service, RunLoop& runLoop) : service_(service), runLoop_(runLoop) {}

    HotKeyService& service_;
    RunLoop& runLoop_;
    HotKeyIdentifiers identifiers_;
    EventHandlerRef eventHandlerRef_ = 0;
    // In order of registration; matching walks it from the front.
    std::vector<std::pair<Shortcut, std::unique_ptr<HotKey>>> hotKeys_;
};

}  // namespace tilvane
