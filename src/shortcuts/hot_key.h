#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/hot_keys.h"
#include "shortcuts/shortcut.h"

namespace tilvane {

// The signature of every hot key this program registers: 'TLVN'.
inline constexpr uint32_t kHotKeySignature = fourCharCode("TLVN");

// Hands out hot-key identifiers: 1, 2, 3, ... one per registration attempt,
// refused attempts included, never reused.
class HotKeyIdentifiers {
public:
    uint32_t next() { return ++counter_; }

private:
    uint32_t counter_ = 0;
};

// One combination registered with the system-wide hot-key service: it is
// registered for exactly as long as the object lives.
class HotKey {
public:
    using Action = std::function<void()>;

    // Registers the shortcut; null when the service refuses it.
    static std::unique_ptr<HotKey> registeredHotKeyWithShortcut(HotKeyService& service, HotKeyIdentifiers& ids,
                                                                const Shortcut& shortcut);
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    uint32_t carbonID() const { return carbonID_; }
    EventHotKeyRef hotKeyRef() const { return hotKeyRef_; }
    const Action& action() const { return action_; }
    void setAction(Action action) { action_ = std::move(action); }

private:
    HotKey(HotKeyService& service, uint32_t carbonID) : service_(service), carbonID_(carbonID) {}

    HotKeyService& service_;
    uint32_t carbonID_;
    EventHotKeyRef hotKeyRef_ = 0;
    Action action_;
};

}  // namespace tilvane
