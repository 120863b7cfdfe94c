#include "platform/sim/sim_hot_keys.h"

namespace tilvane::sim {

namespace {
constexpr uint32_t kModifierBits = kCarbonCmdKey | kCarbonShiftKey | kCarbonOptionKey | kCarbonControlKey;
}

OSStatus SimHotKeyService::registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                               EventHotKeyRef& outRef) {
    if (refused_.count({keyCode, modifiers})) {
        calls_.push_back({Call::Kind::Refused, keyCode, modifiers, id});
        outRef = 0;
        return kEventHotKeyExistsErr;
    }
    outRef = nextRef_++;
    registrations_[outRef] = Registration{outRef, keyCode, modifiers, id};
    calls_.push_back({Call::Kind::Register, keyCode, modifiers, id});
    return kNoErr;
}

OSStatus SimHotKeyService::unregisterEventHotKey(EventHotKeyRef ref) {
    auto it = registrations_.find(ref);
    if (it == registrations_.end()) return kEventHotKeyInvalidErr;
    calls_.push_back({Call::Kind::Unregister, it->second.keyCode, it->second.modifiers, it->second.id});
    registrations_.erase(it);
    return kNoErr;
}

OSStatus SimHotKeyService::installEventHandler(Handler handler, EventHandlerRef& outRef) {
    if (handlerFails_) {
        outRef = 0;
        return kEventHandlerFailedErr;
    }
    outRef = nextHandler_++;
    handlers_[outRef] = std::move(handler);
    return kNoErr;
}

OSStatus SimHotKeyService::removeEventHandler(EventHandlerRef ref) {
    return handlers_.erase(ref) ? kNoErr : kEventHandlerFailedErr;
}

bool SimHotKeyService::press(uint32_t keyCode, uint32_t modifiers) {
    modifiers &= kModifierBits;
    const Registration* newest = nullptr;
    for (const auto& [ref, registration] : registrations_)
        if (registration.keyCode == keyCode && registration.modifiers == modifiers) newest = &registration;
    if (!newest) return false;
    HotKeyEvent event;
    event.hotKeyID = newest->id;
    deliver(event);
    return true;
}

void SimHotKeyService::deliver(const HotKeyEvent& event) {
    // Handlers may be removed while the event is delivered.
    auto snapshot = handlers_;
    for (auto& [ref, handler] : snapshot)
        if (handlers_.count(ref)) handler(event);
}

std::vector<SimHotKeyService::Registration> SimHotKeyService::registrations() const {
    std::vector<Registration> result;
    for (const auto& entry : registrations_) result.push_back(entry.second);
    return result;
}

bool SimHotKeyService::isRegistered(uint32_t keyCode, uint32_t modifiers) const {
    for (const auto& entry : registrations_)
        if (entry.second.keyCode == keyCode && entry.second.modifiers == modifiers) return true;
    return false;
}

}  // namespace tilvane::sim
