#include "shortcuts/shortcut_monitor.h"

#include <algorithm>

namespace tilvane {

std::unique_ptr<ShortcutMonitor> ShortcutMonitor::create(HotKeyService& service, RunLoop& runLoop) {
    std::unique_ptr<ShortcutMonitor> monitor(new ShortcutMonitor(service, runLoop));
    ShortcutMonitor* target = monitor.get();
    EventHandlerRef ref = 0;
    OSStatus status =
        service.installEventHandler([target](const HotKeyEvent& event) { target->handleEvent(event); }, ref);
    if (status != kNoErr) return nullptr;
    monitor->eventHandlerRef_ = ref;
    return monitor;
}

ShortcutMonitor::~ShortcutMonitor() {
    hotKeys_.clear();
    if (eventHandlerRef_ != 0) {
        service_.removeEventHandler(eventHandlerRef_);
        eventHandlerRef_ = 0;
    }
}

bool ShortcutMonitor::registerShortcut(const Shortcut& shortcut, Action action) {
    // Modifiers alone cannot be pressed as a hot key; the service would take key code 0, the A key.
    if (shortcut.keyCode() == Shortcut::kNoKeyCode) return false;
    auto hotKey = HotKey::registeredHotKeyWithShortcut(service_, identifiers_, shortcut);
    if (!hotKey) return false;
    hotKey->setAction(std::move(action));
    auto existing = std::find_if(hotKeys_.begin(), hotKeys_.end(), [&](const auto& e) { return e.first == shortcut; });
    if (existing != hotKeys_.end()) {
        // The old hot key is unregistered as it is replaced, after the new one was registered.
        existing->second = std::move(hotKey);
    } else {
        hotKeys_.emplace_back(shortcut, std::move(hotKey));
    }
    return true;
}

void ShortcutMonitor::unregisterShortcut(const std::optional<Shortcut>& shortcut) {
    if (!shortcut) return;
    std::erase_if(hotKeys_, [&](const auto& e) { return e.first == *shortcut; });
}

bool ShortcutMonitor::isShortcutRegistered(const Shortcut& shortcut) const {
    return std::any_of(hotKeys_.begin(), hotKeys_.end(), [&](const auto& e) { return e.first == shortcut; });
}

bool ShortcutMonitor::isHeldByAnotherProgram(const Shortcut& shortcut) const {
    return shortcut.keyCode() != Shortcut::kNoKeyCode &&
           service_.isHeldByAnotherProgram(shortcut.carbonKeyCode(), shortcut.carbonFlags());
}

void ShortcutMonitor::handleEvent(const HotKeyEvent& event) {
    if (event.eventClass != kEventClassKeyboard) return;
    if (!event.hotKeyID) return;
    if (event.hotKeyID->signature != kHotKeySignature) return;
    for (const auto& [shortcut, hotKey] : hotKeys_) {
        if (hotKey->carbonID() != event.hotKeyID->id) continue;
        if (hotKey->action()) runLoop_.async(hotKey->action());
        return;
    }
}

}  // namespace tilvane
