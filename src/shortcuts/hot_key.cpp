#include "shortcuts/hot_key.h"

namespace tilvane {

std::unique_ptr<HotKey> HotKey::registeredHotKeyWithShortcut(HotKeyService& service, HotKeyIdentifiers& ids,
                                                             const Shortcut& shortcut) {
    std::unique_ptr<HotKey> hotKey(new HotKey(service, ids.next()));
    EventHotKeyRef ref = 0;
    OSStatus status = service.registerEventHotKey(shortcut.carbonKeyCode(), shortcut.carbonFlags(),
                                                  EventHotKeyID{kHotKeySignature, hotKey->carbonID_}, ref);
    if (status != kNoErr) return nullptr;
    hotKey->hotKeyRef_ = ref;
    return hotKey;
}

HotKey::~HotKey() {
    if (hotKeyRef_ != 0) {
        service_.unregisterEventHotKey(hotKeyRef_);
        hotKeyRef_ = 0;
    }
}

}  // namespace tilvane
